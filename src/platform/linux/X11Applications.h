#pragma once
// The running applications of an X11 session. An application is a process that has shown a
// managed client window (_NET_WM_PID); it runs from that first window until the process exits,
// heard through its pidfd, so an application may close its last window and stay running, as on the
// original platform. Its bundle identifier is its desktop-entry id and its name and icon come from
// that entry (DesktopEntries); a process with an ordinary window or a dialog is a regular
// application, one with only panels, docks and the like an accessory. It is hidden while every
// window it has is minimised, and the front application is the one showing the active window.
// Launches, ends, activations and hiding are announced on the main queue, with the application as
// it stands after the change. The applications already running when this starts are listed
// without a launch announcement.
//
// Requests. Activating raises and focuses the application's most recent window (_NET_ACTIVE_WINDOW,
// which also brings a minimised window back). A quit request closes each of its windows through
// the window manager (_NET_CLOSE_WINDOW, the client's WM_DELETE_WINDOW), which lets the application
// ask about unsaved work or refuse; an application without any window left to close is sent
// SIGTERM, the ordinary request to end on this system, which it may handle or ignore as well.
//
// Main thread only.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/ObserverList.h"
#include "base/WeakToken.h"
#include "platform/Workspace.h"
#include "platform/linux/DesktopEntries.h"
#include "platform/linux/EwmhWatcher.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class X11Display;

class X11Applications {
public:
    X11Applications(X11Display& display, EwmhWatcher& watcher, MainQueue& queue);
    ~X11Applications();
    X11Applications(const X11Applications&) = delete;
    X11Applications& operator=(const X11Applications&) = delete;

    std::optional<int> frontmostApplicationPID() const { return m_front; }
    std::optional<std::string> frontmostApplicationBundleID() const;
    bool activateApplication(int pid);
    std::vector<RunningApplication> runningApplications() const;
    std::optional<RunningApplication> runningApplication(int pid) const;
    bool terminate(int pid);
    [[nodiscard]] Subscription observe(std::function<void(WorkspaceEvent, const RunningApplication&)> onEvent) {
        return m_observers.add(std::move(onEvent));
    }

private:
    void update(const EwmhWatcher::Change& change, bool announce);
    RunningApplication describe(int pid, const std::vector<xcb_window_t>& windows);
    void announce(WorkspaceEvent event, const RunningApplication& application);

    X11Display& m_display;
    EwmhWatcher& m_watcher;
    MainQueue& m_queue;
    DesktopEntries m_entries;
    std::map<int, RunningApplication> m_running;
    std::vector<int> m_launchOrder;
    std::optional<int> m_front;
    ObserverList<WorkspaceEvent, const RunningApplication&> m_observers;
    Subscription m_subscription;
    WeakFactory m_weak;
};

}  // namespace tarnlet::linux_desktop
