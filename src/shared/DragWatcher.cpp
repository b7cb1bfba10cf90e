#include "shared/DragWatcher.h"

#include "platform/Mouse.h"

namespace tarnlet {

DragWatcher::DragWatcher(Mouse& mouse) : m_mouse(mouse) {}

DragWatcher::~DragWatcher() { stop(); }

Subscription DragWatcher::subscribe(Handler handler) { return m_subscribers.add(std::move(handler)); }

void DragWatcher::start() {
    if (m_monitor) return;
    // The monitors die with this watcher (or at stop), so capturing `this` cannot outlive it.
    m_monitor = m_mouse.addGlobalMonitor(MouseMask::leftDragged, [this](const MouseEvent&) { dragged(); });
}

void DragWatcher::stop() {
    m_monitor.reset();
    m_upMonitor.reset();
    m_localUpMonitor.reset();
}

void DragWatcher::dragged() {
    if (!m_upMonitor && !m_localUpMonitor) {
        // The release may land on one of our own panels (a drop on the shelf), which only a local
        // monitor hears.
        m_upMonitor = m_mouse.addGlobalMonitor(MouseMask::leftUp, [this](const MouseEvent&) { released(); });
        m_localUpMonitor = m_mouse.addLocalMonitor(MouseMask::leftUp, [this](const MouseEvent&) { released(); });
    }
    m_subscribers.notify(Event::dragged);
}

void DragWatcher::released() {
    m_upMonitor.reset();
    m_localUpMonitor.reset();
    m_subscribers.notify(Event::ended);
}

}  // namespace tarnlet
