#include "windows/WindowCensus.h"

#include <cmath>

#include "windows/WindowSpaces.h"

namespace tarnlet {

const std::set<std::string>& WindowCensus::keepAliveSubroles() {
    static const std::set<std::string> subroles{"AXStandardWindow", "AXDialog", "AXSystemDialog"};
    return subroles;
}

std::optional<std::vector<WindowRecord>> WindowCensus::windowList(const WindowServer& server, bool onScreenOnly) {
    return server.windowList({.onScreenOnly = onScreenOnly, .excludeDesktopElements = true});
}

bool WindowCensus::isNormalWindow(const WindowRecord& record) {
    if (!record.layer || *record.layer != 0) return false;
    if (!record.bounds) return false;
    // A NaN alpha is not a number the server meant; it fails the comparison and the window with it.
    if (record.alpha && !(*record.alpha > kMinimumAlpha)) return false;
    return record.bounds->width() >= kMinimumSide && record.bounds->height() >= kMinimumSide;
}

std::optional<int> WindowCensus::keepAliveWindowCount(Accessibility& accessibility, const AXElement& applicationElement) {
    AXValue value;
    const AXError error = accessibility.copyAttribute(applicationElement, "AXWindows", value);
    if (error == AXError::noValue) return 0;
    if (error != AXError::success) return std::nullopt;
    const auto* windows = std::get_if<std::vector<AXElement>>(&value);
    // An application that answers with an empty list is not trusted to have none: it often means it
    // has not built its tree yet.
    if (!windows || windows->empty()) return std::nullopt;
    int count = 0;
    for (const AXElement& window : *windows) {
        AXValue subrole;
        const AXError subroleError = accessibility.copyAttribute(window, "AXSubrole", subrole);
        const auto* text = std::get_if<std::string>(&subrole);
        // A window that cannot say what it is counts: losing a real window matters more than
        // counting an odd one.
        if (subroleError != AXError::success || !text || *text == "AXUnknown" || keepAliveSubroles().count(*text))
            ++count;
    }
    return count;
}

std::optional<int> WindowCensus::onScreenWindowCount(const WindowServer& server, int pid) {
    const auto list = windowList(server, true);
    if (!list) return std::nullopt;
    int count = 0;
    for (const WindowRecord& record : *list)
        if (record.ownerPID == pid && isNormalWindow(record)) ++count;
    return count;
}

std::optional<int> WindowCensus::otherSpaceWindowCount(const WindowServer& server, const WindowSpaces& spaces, int pid) {
    if (!spaces.symbolsResolved()) return std::nullopt;
    const auto list = windowList(server, false);
    if (!list) return std::nullopt;
    // Any answer names a desktop, 0 included: window managers that number their desktops count
    // from 0, and a full-screen window elsewhere must keep counting while the first desktop shows.
    const std::uint64_t active = spaces.activeSpace();
    int count = 0;
    for (const WindowRecord& record : *list)
        if (record.ownerPID == pid && record.number && isNormalWindow(record) &&
            spaces.isOnOtherSpace(*record.number, active))
            ++count;
    return count;
}

}  // namespace tarnlet
