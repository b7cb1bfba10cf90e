#pragma once
// Keeps a picture of the managed windows and the processes behind them, current with the window
// manager's announcements: the client list, the stacking order, the active window, the current
// desktop, and of each client its process, desktop, state and kind. It hears them as property
// changes on a connection of its own, read in Qt's event loop, and each process that showed a
// client window is followed until it exits (ProcessExitWatcher), whether or not it still has
// windows then — a running application may close its last window and stay.
//
// Observers are told once per batch of events what changed, after the picture was brought up to
// date, so they compare the new picture with what they knew.
//
//     EwmhWatcher watcher(display);
//     auto subscription = watcher.observe([&](const EwmhWatcher::Change& change) {
//         if (change.clients) …
//     });
//
// A process whose end cannot be heard (no pidfds) counts as running while it has a client window.
//
// Main thread only; needs a running Qt event loop.

#include <xcb/xcb.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "base/ObserverList.h"
#include "platform/linux/Ewmh.h"
#include "platform/linux/ProcessExitWatcher.h"
#include "platform/linux/X11Connection.h"

class QSocketNotifier;

namespace tarnlet::linux_desktop {

class X11Display;

class EwmhWatcher {
public:
    // The bound on the round trips the watcher makes after each batch of events.
    static constexpr double kReadSeconds = 1.0;

    struct Change {
        bool clients = false;  // windows came or went
        bool stacking = false;
        bool active = false;
        bool desktop = false;  // the current desktop changed
        bool states = false;   // a client's state, desktop or kind changed
        std::set<xcb_window_t> retitled;
        std::set<int> exited;  // processes that ended
        bool any() const {
            return clients || stacking || active || desktop || states || !retitled.empty() || !exited.empty();
        }
    };

    explicit EwmhWatcher(X11Display& display);
    ~EwmhWatcher();
    EwmhWatcher(const EwmhWatcher&) = delete;
    EwmhWatcher& operator=(const EwmhWatcher&) = delete;

    // False when the watcher's connection could not be opened or broke.
    bool isWatching() const { return m_notifier != nullptr; }

    // The managed windows in the order they were mapped.
    const std::vector<xcb_window_t>& clients() const { return m_clients; }
    const ClientFacts* facts(xcb_window_t window) const;
    xcb_window_t activeWindow() const { return m_active; }
    std::optional<std::uint32_t> currentDesktop() const { return m_currentDesktop; }
    // The facts of the stacking list, bottom to top.
    std::vector<ClientFacts> stackingFacts() const;
    // A process that showed a client window and has not exited.
    bool isRunning(int pid) const { return m_processes.count(pid) > 0; }
    // The processes followed, in the order their first window appeared.
    const std::vector<int>& processes() const { return m_processOrder; }
    // The process's client windows, in client-list order.
    std::vector<xcb_window_t> windowsOf(int pid) const;
    // Sends a signal to a followed process through its descriptor; false when it is not followed.
    bool signal(int pid, int number) const;

    [[nodiscard]] Subscription observe(std::function<void(const Change&)> onChange) {
        return m_observers.add(std::move(onChange));
    }

private:
    struct Pending {
        bool clients = false;
        bool stacking = false;
        bool active = false;
        bool desktop = false;
        std::set<xcb_window_t> restated;
        std::set<xcb_window_t> retitled;
    };

    void drain();
    void record(const xcb_generic_event_t& event, Pending& pending) const;
    Change refresh(const Pending& pending);
    void follow(int pid);
    void processExited(int pid);
    // A process whose end cannot be heard ends with its last window.
    void dropWindowlessUnheard(Change& change);

    X11Display& m_display;
    X11Connection m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<xcb_window_t> m_clients;
    std::map<xcb_window_t, ClientFacts> m_facts;
    std::vector<xcb_window_t> m_stacking;  // bottom to top
    xcb_window_t m_active = XCB_NONE;
    std::optional<std::uint32_t> m_currentDesktop;
    std::map<int, std::unique_ptr<ProcessExitWatcher>> m_processes;
    std::vector<int> m_processOrder;
    ObserverList<const Change&> m_observers;
};

}  // namespace tarnlet::linux_desktop
