#include "windows/EdgeSnapMonitor.h"

#include <cmath>

#include "platform/Mouse.h"
#include "windows/WindowSnapper.h"

namespace tarnlet {

EdgeSnapMonitor::EdgeSnapMonitor(DragWatcher& drag, WindowServices& services, Mouse& mouse, Panels& panels)
    : m_drag(drag), m_services(services), m_mouse(mouse), m_footprint(panels) {}

EdgeSnapMonitor::~EdgeSnapMonitor() = default;

void EdgeSnapMonitor::start() {
    m_dragSubscription = m_drag.subscribe(m_weak.bind([this](DragWatcher::Event event) { handle(event); }));
}

void EdgeSnapMonitor::stop() {
    m_dragSubscription.cancel();
    m_footprint.dispose();
    reset();
}

void EdgeSnapMonitor::handle(DragWatcher::Event event) {
    if (event == DragWatcher::Event::dragged) dragged();
    else released();
}

void EdgeSnapMonitor::dragged() {
    if (!m_resolved) {
        m_resolved = true;
        if (auto window = AXWindow::focused(m_services); window && window->isResizable()) {
            m_initialFrame = window->frame();
            m_window = std::move(window);
        }
    }
    if (!m_window || !m_initialFrame) return;

    if (!m_isDraggingWindow) {
        // Only a drag that moves the window without resizing it is a window move.
        if (++m_detectionAttempts > kMaxDetectionAttempts) return;
        const auto frame = m_window->frame();
        if (!frame) {
            m_detectionAttempts = kMaxDetectionAttempts + 1;
            return;
        }
        if (frame->origin == m_initialFrame->origin) return;
        if (std::abs(frame->width() - m_initialFrame->width()) >= kResizeTolerance ||
            std::abs(frame->height() - m_initialFrame->height()) >= kResizeTolerance)
            return;
        m_isDraggingWindow = true;
    }

    const Point pointer = m_mouse.location();
    const auto screen = WindowSnapper::screen(pointer, m_services.screens.screens());
    if (!screen) {
        if (m_pendingSnap) {
            m_pendingSnap.reset();
            m_footprint.hide();
        }
        return;
    }
    const auto z = zone(pointer, screen->visibleFrame);
    if (!z) {
        if (m_pendingSnap) {
            m_pendingSnap.reset();
            m_footprint.hide();
        }
        return;
    }
    if (z->position == m_pendingSnap) return;
    m_pendingSnap = z->position;
    m_footprint.show(z->frame);
}

void EdgeSnapMonitor::released() {
    if (m_isDraggingWindow && m_window) {
        const Point pointer = m_mouse.location();
        if (const auto screen = WindowSnapper::screen(pointer, m_services.screens.screens())) {
            if (const auto z = zone(pointer, screen->visibleFrame); z && onSnap) onSnap(z->position, m_window->pid());
        }
    }
    m_footprint.hide();
    reset();
}

void EdgeSnapMonitor::reset() {
    m_resolved = false;
    m_window.reset();
    m_initialFrame.reset();
    m_isDraggingWindow = false;
    m_detectionAttempts = 0;
    m_pendingSnap.reset();
}

std::optional<EdgeSnapMonitor::Zone> EdgeSnapMonitor::zone(Point p, const Rect& v) {
    const double band = kEdgeBand, reach = kCornerReach;
    const bool left = p.x <= v.minX() + band, right = p.x >= v.maxX() - band;
    const bool top = p.y >= v.maxY() - band, bottom = p.y <= v.minY() + band;
    std::optional<SnapPosition> position;
    if ((left && p.y >= v.maxY() - reach) || (top && p.x <= v.minX() + reach)) position = SnapPosition::topLeft;
    else if ((right && p.y >= v.maxY() - reach) || (top && p.x >= v.maxX() - reach)) position = SnapPosition::topRight;
    else if ((left && p.y <= v.minY() + reach) || (bottom && p.x <= v.minX() + reach)) position = SnapPosition::bottomLeft;
    else if ((right && p.y <= v.minY() + reach) || (bottom && p.x >= v.maxX() - reach)) position = SnapPosition::bottomRight;
    else if (left) position = SnapPosition::leftHalf;
    else if (right) position = SnapPosition::rightHalf;
    else if (top) position = SnapPosition::maximize;  // the top edge maximizes rather than taking the top half
    else if (bottom) position = SnapPosition::bottomHalf;
    if (!position) return std::nullopt;
    return Zone{*position, *SnapPositions::frame(*position, v, {})};
}

}  // namespace tarnlet
