#pragma once
// One window of another application, read and moved through the accessibility interface. A plain
// record: copying it shares the element handles. Frames handed in and out are desktop frames
// (origin bottom-left, y up); the accessibility interface's top-left positions are converted with
// flip(). Every element created or obtained here gets a messaging timeout of 1.0 s, so a hung
// application stalls the caller for about a second at most. Main thread only.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/Screens.h"

namespace tarnlet {

class Workspace;

// The platform services the window tools reach the desktop through.
struct WindowServices {
    Accessibility& accessibility;
    Workspace& workspace;
    Screens& screens;
};

class AXWindow {
public:
    static constexpr double kMessagingTimeout = 1.0;

    AXWindow(WindowServices& services, AXElement element, int pid, AXElement appElement)
        : m_services(&services), m_element(element), m_pid(pid), m_appElement(appElement) {}

    // The focused window of the process, or of the frontmost application when pid is none.
    static std::optional<AXWindow> focused(WindowServices& services, std::optional<int> pid = std::nullopt);

    // Moves and resizes the window: size, position, size again, with the application's enhanced
    // user interface switched off meanwhile when it was on.
    void setFrame(const Rect& frame) const;
    // The frame the window has now; none when position or size cannot be read.
    std::optional<Rect> frame() const;
    bool isResizable() const;
    // The key under which the window's state is remembered: the low 32 bits of its element's hash.
    std::uint32_t key() const { return static_cast<std::uint32_t>(m_element.hash()); }

    // Between top-left and bottom-left coordinates; its own inverse. The primary height is the top of
    // the first screen's frame, 0 without screens.
    static Rect flip(const Rect& rect, const std::vector<Screen>& screens);

    const AXElement& element() const { return m_element; }
    int pid() const { return m_pid; }
    const AXElement& appElement() const { return m_appElement; }

private:
    WindowServices* m_services;
    AXElement m_element;
    int m_pid;
    AXElement m_appElement;
};

}  // namespace tarnlet
