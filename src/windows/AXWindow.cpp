#include "windows/AXWindow.h"

#include <cmath>

#include "platform/Workspace.h"

namespace tarnlet {

namespace {

const std::string kEnhancedUserInterface = "AXEnhancedUserInterface";
const std::string kSize = "AXSize";
const std::string kPosition = "AXPosition";

template <typename T>
std::optional<T> readValue(Accessibility& accessibility, const AXElement& element, const std::string& attribute) {
    AXValue value;
    if (accessibility.copyAttribute(element, attribute, value) != AXError::success) return std::nullopt;
    if (const T* typed = std::get_if<T>(&value)) return *typed;
    return std::nullopt;
}

}  // namespace

std::optional<AXWindow> AXWindow::focused(WindowServices& services, std::optional<int> pid) {
    if (!pid) pid = services.workspace.frontmostApplicationPID();
    if (!pid) return std::nullopt;
    Accessibility& accessibility = services.accessibility;
    const AXElement app = accessibility.createApplication(*pid);
    accessibility.setMessagingTimeout(app, kMessagingTimeout);
    const auto window = readValue<AXElement>(accessibility, app, "AXFocusedWindow");
    if (!window || window->isNull()) return std::nullopt;
    accessibility.setMessagingTimeout(*window, kMessagingTimeout);
    return AXWindow(services, *window, *pid, app);
}

void AXWindow::setFrame(const Rect& frame) const {
    // A frame with a non-finite coordinate cannot be expressed as a position or size; sending it
    // would hand the other application garbage, so the window is left alone entirely.
    if (!std::isfinite(frame.minX()) || !std::isfinite(frame.minY()) || !std::isfinite(frame.width()) ||
        !std::isfinite(frame.height()))
        return;
    Accessibility& accessibility = m_services->accessibility;
    const Rect target = flip(frame, m_services->screens.screens());

    // With enhanced user interface on, applications animate each change and may drop the second
    // half of a move; it is switched off for the move and back on afterwards.
    const bool enhanced = readValue<bool>(accessibility, m_appElement, kEnhancedUserInterface).value_or(false);
    if (enhanced) accessibility.setAttribute(m_appElement, kEnhancedUserInterface, false);

    // The size goes first so the window fits where it is moved to, and again afterwards because an
    // application may have shrunk it to fit the screen at the old position.
    accessibility.setAttribute(m_element, kSize, target.size);
    accessibility.setAttribute(m_element, kPosition, target.origin);
    accessibility.setAttribute(m_element, kSize, target.size);

    if (enhanced) accessibility.setAttribute(m_appElement, kEnhancedUserInterface, true);
}

std::optional<Rect> AXWindow::frame() const {
    Accessibility& accessibility = m_services->accessibility;
    const auto position = readValue<Point>(accessibility, m_element, kPosition);
    if (!position) return std::nullopt;
    const auto size = readValue<Size>(accessibility, m_element, kSize);
    if (!size) return std::nullopt;
    return flip(Rect(*position, *size), m_services->screens.screens());
}

bool AXWindow::isResizable() const {
    Accessibility& accessibility = m_services->accessibility;
    bool settable = false;
    // When the question itself cannot be answered, trying the resize does no harm: the application
    // keeps its own size if it refuses.
    if (accessibility.isAttributeSettable(m_element, kSize, settable) != AXError::success) return true;
    if (!settable) return false;
    return readValue<std::string>(accessibility, m_element, "AXSubrole") != "AXSystemDialog";
}

Rect AXWindow::flip(const Rect& rect, const std::vector<Screen>& screens) {
    const double primaryHeight = screens.empty() ? 0 : screens.front().frame.maxY();
    return Rect(rect.minX(), primaryHeight - rect.maxY(), rect.width(), rect.height());
}

}  // namespace tarnlet
