#pragma once
// The accessibility interface on an X11 session, spoken through the window manager's hints (EWMH)
// rather than by the applications themselves. An application element stands for a process; its
// windows are the managed client windows that name it (_NET_WM_PID). A window's position and size
// are those of its outer frame, decorations included and a self-decorating client's shadow margins
// left out; they are changed by asking the window manager (_NET_MOVERESIZE_WINDOW), and a change
// returns once the window manager has carried it out, so that reading the frame afterwards sees
// it. Windows are minimised through WM_CHANGE_STATE, raised through _NET_ACTIVE_WINDOW and closed
// (their close button pressed) through _NET_CLOSE_WINDOW, which lets the application ask first.
//
// What an application reports, translated:
//   application  AXRole, AXWindows (front to back: those on the desktop shown, on every desktop, or
//                minimised), AXFocusedWindow and AXMainWindow (the active window when the process
//                shows it, else its topmost window shown and not minimised)
//   window       AXRole, AXSubrole (from _NET_WM_WINDOW_TYPE), AXTitle, AXPosition, AXSize,
//                AXMinimized, AXCloseButton; AXSize is settable when WM_NORMAL_HINTS let the window
//                be resized
//   close button AXRole, AXSubrole; the action AXPress
//   notifications AXWindowCreated, AXUIElementDestroyed, AXFocusedWindowChanged, AXMainWindowChanged,
//                AXWindowMiniaturized, AXWindowDeminiaturized, AXTitleChanged
//
// Errors. The server, not the application, answers here, so a hung application still has its
// windows read and moved. cannotComplete means the server did not answer within the element's
// messaging timeout (another client holds it grabbed) or a change was not carried out in time;
// invalidUIElement means the process has ended or the window is no longer managed.
//
// Threading as the interface requires: copyAttribute() may run on a background queue, on a
// connection of that thread's own (X11Display); everything else, and the observers, on the main
// thread.

#include <xcb/xcb.h>

#include <map>
#include <mutex>

#include "platform/Accessibility.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class EwmhWatcher;
class Ewmh;
class X11AXObserver;
class X11Display;

class X11Accessibility : public Accessibility {
public:
    // The platform's system-wide default, for elements nobody set a timeout on.
    static constexpr double kDefaultMessagingTimeout = 6.0;

    X11Accessibility(X11Display& display, EwmhWatcher& watcher, MainQueue& queue);
    ~X11Accessibility() override;

    // The element of a process's client window, and the client window of an element (none for an
    // application element).
    static AXElement windowElement(int pid, xcb_window_t window);
    static std::optional<xcb_window_t> windowOf(const AXElement& element);

    AXElement createApplication(int pid) override;
    AXError setMessagingTimeout(const AXElement& element, double seconds) override;
    AXError copyAttribute(const AXElement& element, const std::string& attribute, AXValue& value) override;
    AXError isAttributeSettable(const AXElement& element, const std::string& attribute, bool& settable) override;
    AXError setAttribute(const AXElement& element, const std::string& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const std::string& action) override;
    AXError createObserver(int pid, AXObserverCallback callback, std::unique_ptr<AXObserver>& observer) override;

private:
    friend class X11AXObserver;
    struct Target;

    double messagingTimeout(const AXElement& element) const;
    AXError copyApplicationAttribute(Ewmh& ewmh, const Target& target, const std::string& attribute, AXValue& value);
    AXError setFrame(Ewmh& ewmh, const Target& target, const std::optional<Point>& position,
                     const std::optional<Size>& size);
    AXError setMinimized(Ewmh& ewmh, const Target& target, bool minimized);

    X11Display& m_display;
    EwmhWatcher& m_watcher;
    MainQueue& m_queue;
    mutable std::mutex m_timeoutsMutex;
    std::map<std::uint64_t, double> m_timeouts;
};

}  // namespace tarnlet::linux_desktop
