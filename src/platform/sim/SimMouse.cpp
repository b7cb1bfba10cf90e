#include "platform/sim/SimMouse.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/sim/SimApplications.h"
#include "platform/sim/SimPanels.h"
#include "platform/sim/SimPermissions.h"
#include "platform/sim/SimScreens.h"

namespace tarnlet::sim {

struct SimMouse::Monitor {
    bool global = false;
    MouseEventMask mask = 0;
    Handler handler;
    bool removed = false;
};

namespace {

class SimMouseMonitor : public MouseMonitor {
public:
    explicit SimMouseMonitor(std::shared_ptr<SimMouse::Monitor> monitor) : m_monitor(std::move(monitor)) {}
    // Only marks the monitor: its handler may be the one running right now, so the delivery that
    // holds it lets it go.
    ~SimMouseMonitor() override { m_monitor->removed = true; }

private:
    std::shared_ptr<SimMouse::Monitor> m_monitor;
};

double distanceSquared(Point p, const Rect& r) {
    const double dx = std::max({r.minX() - p.x, 0.0, p.x - r.maxX()});
    const double dy = std::max({r.minY() - p.y, 0.0, p.y - r.maxY()});
    return dx * dx + dy * dy;
}

}  // namespace

SimMouse::SimMouse(SimPermissions& permissions, SimPanels& panels, SimApplications& applications, SimScreens& screens)
    : m_permissions(permissions), m_panels(panels), m_applications(applications), m_screens(screens),
      m_monitors(std::make_shared<std::vector<std::shared_ptr<Monitor>>>()) {}

SimMouse::~SimMouse() = default;

std::unique_ptr<MouseMonitor> SimMouse::addGlobalMonitor(MouseEventMask mask, Handler handler) {
    return add(true, mask, std::move(handler));
}

std::unique_ptr<MouseMonitor> SimMouse::addLocalMonitor(MouseEventMask mask, Handler handler) {
    return add(false, mask, std::move(handler));
}

std::unique_ptr<MouseMonitor> SimMouse::add(bool global, MouseEventMask mask, Handler handler) {
    if (!handler || mask == 0) return nullptr;
    // A delivery in progress works on its own copy of the list, so pruning here is safe.
    std::erase_if(*m_monitors, [](const auto& m) { return m->removed; });
    auto monitor = std::make_shared<Monitor>(Monitor{global, mask, std::move(handler)});
    m_monitors->push_back(monitor);
    return std::make_unique<SimMouseMonitor>(monitor);
}

std::size_t SimMouse::globalMonitorCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_monitors->begin(), m_monitors->end(), [](const auto& m) { return !m->removed && m->global; }));
}

std::size_t SimMouse::localMonitorCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_monitors->begin(), m_monitors->end(), [](const auto& m) { return !m->removed && !m->global; }));
}

void SimMouse::deliver(const MouseEvent& event, bool local) {
    if (!local && !m_permissions.isAccessibilityTrusted()) return;
    const auto monitors = *m_monitors;  // a handler may add or remove monitors
    for (const auto& monitor : monitors) {
        if (monitor->removed || monitor->global == local || !(monitor->mask & maskOf(event.type))) continue;
        monitor->handler(event);
    }
}

bool SimMouse::overOwnPanel(Point point) const { return m_panels.panelAt(point) != nullptr; }

Point SimMouse::clampedToScreens(Point point) const {
    const auto screens = m_screens.screens();
    if (screens.empty() || !std::isfinite(point.x) || !std::isfinite(point.y)) {
        // Without screens there is nothing to hold the pointer; a nonsense point leaves it be.
        return std::isfinite(point.x) && std::isfinite(point.y) ? point : m_location;
    }
    const Screen* nearest = nullptr;
    double best = std::numeric_limits<double>::infinity();
    for (const auto& screen : screens) {
        if (screen.frame.contains(point)) return point;
        const double d = distanceSquared(point, screen.frame);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    // The pointer stops on the last point row and column of the nearest screen.
    const Rect& f = nearest->frame;
    return {std::clamp(point.x, f.minX(), std::max(f.minX(), f.maxX() - 1)),
            std::clamp(point.y, f.minY(), std::max(f.minY(), f.maxY() - 1))};
}

void SimMouse::moveTo(Point point) {
    const Point from = m_location;
    m_location = clampedToScreens(point);
    if (onHardwareEvent) onHardwareEvent(m_leftDown ? EventType::leftMouseDragged : EventType::mouseMoved);
    if (!m_leftDown) {
        deliver({MouseEventType::moved, m_location}, overOwnPanel(m_location));
        return;
    }
    deliver({MouseEventType::leftDragged, m_location}, m_pressedOverOwnPanel);
    // The application moves its window only after the event went past the monitors.
    if (m_leftDown && m_grab != Grab::none) dragGrabbedWindow(from, m_location);
}

void SimMouse::leftDown() {
    if (m_leftDown) return;
    if (onHardwareEvent) onHardwareEvent(EventType::leftMouseDown);
    m_leftDown = true;
    m_grab = Grab::none;
    // Our panels float above every window, so a press on one never reaches a window below.
    m_pressedOverOwnPanel = overOwnPanel(m_location);
    // The monitors hear the press before the application under it acts on it.
    deliver({MouseEventType::leftDown, m_location}, m_pressedOverOwnPanel);
    if (!m_pressedOverOwnPanel) grabWindowAt(m_location);
}

void SimMouse::rightClick() {
    if (onHardwareEvent) onHardwareEvent(EventType::rightMouseDown);
    deliver({MouseEventType::rightDown, m_location}, overOwnPanel(m_location));
}

void SimMouse::leftUp() {
    if (!m_leftDown) return;
    m_leftDown = false;
    m_grab = Grab::none;
    m_grabbedWindow = {};
    const bool local = m_pressedOverOwnPanel || overOwnPanel(m_location);
    m_pressedOverOwnPanel = false;
    deliver({MouseEventType::leftUp, m_location}, local);
}

void SimMouse::drag(Point from, Point to, int steps) {
    moveTo(from);
    leftDown();
    const Point start = m_location;  // where the pointer really stands, on a screen
    const int n = std::max(steps, 1);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        moveTo({start.x + (to.x - start.x) * t, start.y + (to.y - start.y) * t});
    }
    leftUp();
}

std::optional<AXElement> SimMouse::grabbedWindow() const {
    if (m_grab == Grab::none) return std::nullopt;
    return m_grabbedWindow;
}

void SimMouse::grabWindowAt(Point point) {
    const std::optional<AXElement> window = m_applications.windowAt(point);
    if (!window) return;
    m_applications.activateWindow(*window);
    const std::optional<Rect> frame = m_applications.windowFrame(*window);
    if (!frame) return;
    if (point.y >= frame->maxY() - kTitleBarHeight) {
        m_grab = Grab::move;
    } else if (m_applications.isWindowResizable(*window) && point.x >= frame->maxX() - kResizeCornerReach &&
               point.y <= frame->minY() + kResizeCornerReach) {
        m_grab = Grab::resize;
        m_cornerOffset = {frame->maxX() - point.x, frame->minY() - point.y};
    } else {
        return;
    }
    m_grabbedWindow = *window;
}

void SimMouse::dragGrabbedWindow(Point from, Point to) {
    const std::optional<Rect> frame = m_applications.windowFrame(m_grabbedWindow);
    if (!frame) {
        // The window went away under the pointer (its application quit): the drag holds nothing now.
        m_grab = Grab::none;
        m_grabbedWindow = {};
        return;
    }
    if (m_grab == Grab::move) {
        m_applications.moveWindowBy(m_grabbedWindow, to.x - from.x, to.y - from.y);
        return;
    }
    const Point corner{to.x + m_cornerOffset.x, to.y + m_cornerOffset.y};
    m_applications.resizeWindow(m_grabbedWindow, {corner.x - frame->minX(), frame->maxY() - corner.y});
}

}  // namespace tarnlet::sim
