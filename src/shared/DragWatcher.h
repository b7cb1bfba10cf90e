#pragma once
// The one shared watcher of left-button drags anywhere on the desktop. Clients subscribe and hear
// `dragged` for every dragged event of a drag and `ended` at its release; they read the pointer and
// the drag pasteboard themselves.
//
//     m_dragSubscription = drags.subscribe(m_weak.bind([this](DragWatcher::Event e) { onDrag(e); }));
//     …
//     m_dragSubscription.cancel();  // in the client's stop; its destruction does the same
//
// It runs from the first subscription to the end of the last one. The release monitors
// exist only while a drag is under way, so a release without a drag reports nothing. Drags in other
// applications are heard through a global monitor and so only with the accessibility permission;
// clients must cope with never hearing one. Main thread only; a handler may subscribe, cancel
// subscriptions (its own or others') and even destroy the watcher while it is called.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/SubscriberList.h"
#include "base/Subscription.h"

namespace tarnlet {

class Mouse;
class MouseMonitor;

class DragWatcher {
public:
    enum class Event : std::uint8_t { dragged, ended };
    using Handler = std::function<void(Event)>;

    explicit DragWatcher(Mouse& mouse);
    ~DragWatcher();
    DragWatcher(const DragWatcher&) = delete;
    DragWatcher& operator=(const DragWatcher&) = delete;

    // Adds a handler and starts watching; when the last subscription ends the watcher stops, and a
    // drag under way then ends without a report.
    [[nodiscard]] Subscription subscribe(Handler handler);

    bool isRunning() const { return m_monitor != nullptr; }
    bool hasUpMonitors() const { return m_upMonitor != nullptr || m_localUpMonitor != nullptr; }
    std::size_t subscriberCount() const { return m_subscribers.size(); }

private:
    // Installs the dragged-event monitor if it is absent.
    void start();
    // Removes every monitor.
    void stop();
    void dragged();
    void released();

    Mouse& m_mouse;
    std::unique_ptr<MouseMonitor> m_monitor;
    std::unique_ptr<MouseMonitor> m_upMonitor;
    std::unique_ptr<MouseMonitor> m_localUpMonitor;
    SubscriberList<Event> m_subscribers{[this] { start(); }, [this] { stop(); }};
};

}  // namespace tarnlet
