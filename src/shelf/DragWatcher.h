#pragma once
// The one shared watcher of left-button drags anywhere on the desktop. Clients register a handler
// under their own identity and hear `dragged` for every dragged event of a drag and `ended` at its
// release; they read the pointer and the drag pasteboard themselves.
//
//     drags.addHandler(this, m_weak.bind([this](DragWatcher::Event e) { onDrag(e); }));
//     …
//     drags.removeHandler(this);  // in the client's stop and destructor
//
// It runs from the first registration to the removal of the last handler. The release monitors
// exist only while a drag is under way, so a release without a drag reports nothing. Drags in other
// applications are heard through a global monitor and so only with the accessibility permission;
// clients must cope with never hearing one. Main thread only; a handler may add or remove handlers
// (its own or others') and even destroy the watcher while it is called.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/OwnerHandlers.h"

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

    // The owner's handler, replacing an earlier one of the same owner; then starts watching. An
    // empty handler removes the owner's.
    void addHandler(const void* owner, Handler handler);
    // Drops the owner's handler; with the last one gone the watcher stops.
    void removeHandler(const void* owner);

    // Installs the dragged-event monitor if it is absent.
    void start();
    // Removes every monitor; a drag under way ends without a report.
    void stop();

    bool isRunning() const { return m_monitor != nullptr; }
    bool hasUpMonitors() const { return m_upMonitor != nullptr || m_localUpMonitor != nullptr; }
    std::size_t handlerCount() const { return m_handlers.size(); }

private:
    void dragged();
    void released();

    Mouse& m_mouse;
    std::unique_ptr<MouseMonitor> m_monitor;
    std::unique_ptr<MouseMonitor> m_upMonitor;
    std::unique_ptr<MouseMonitor> m_localUpMonitor;
    OwnerHandlers<Event> m_handlers;
};

}  // namespace tarnlet
