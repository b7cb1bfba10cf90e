#include "windows/MouseSnapMonitor.h"

#include <cmath>
#include <numbers>

#include "diagnostics/Log.h"
#include "platform/Screens.h"
#include "windows/WindowSnapper.h"

namespace tarnlet {

MouseSnapMonitor::MouseSnapMonitor(Mouse& mouse, Panels& panels, Screens& screens)
    : m_mouse(mouse), m_panels(panels), m_screens(screens), m_footprint(panels) {}

MouseSnapMonitor::~MouseSnapMonitor() { cleanup(); }

void MouseSnapMonitor::begin() {
    Log::debug("MouseSnapMonitor: begin");
    const Point origin = m_mouse.location();
    m_origin = origin;
    m_pendingSector.reset();
    m_view = std::make_shared<SnapDialView>();
    const double half = SnapDialView::kSide / 2;
    m_ring = m_panels.show(m_view, Rect(origin.x - half, origin.y - half, SnapDialView::kSide, SnapDialView::kSide),
                           PanelOptions{FootprintWindow::kLevel, FootprintWindow::kCollectionBehavior, true, 1.0});
    m_monitor = m_mouse.addGlobalMonitor(MouseMask::moved, m_weak.bind([this](const MouseEvent&) { moved(); }));
}

void MouseSnapMonitor::moved() {
    if (!m_origin) return;
    const Point location = m_mouse.location();
    const auto position = sector(location.x - m_origin->x, location.y - m_origin->y);
    if (position == m_pendingSector) return;
    m_pendingSector = position;
    if (m_view && m_view->setSelected(position) && m_ring) m_ring->replace(m_view, m_ring->frame());
    if (!position) {
        m_footprint.hide();
        return;
    }
    const auto screen = WindowSnapper::screen(location, m_screens.screens());
    const auto frame = screen ? SnapPositions::frame(*position, screen->visibleFrame, {}) : std::nullopt;
    if (!frame) {
        m_footprint.hide();
        return;
    }
    m_footprint.show(*frame);
}

void MouseSnapMonitor::cleanup() {
    m_monitor.reset();
    m_footprint.dispose();
    if (m_ring) m_ring->remove();
    m_ring.reset();
    m_view.reset();
    m_origin.reset();
    m_pendingSector.reset();
}

std::optional<SnapPosition> MouseSnapMonitor::sector(double dx, double dy) {
    if (std::hypot(dx, dy) < kDeadZone) return std::nullopt;
    double degrees = std::atan2(dy, dx) * 180 / std::numbers::pi;
    // A pointer exactly on a boundary belongs to the sector above it; rounding away the last bits of
    // the arc tangent keeps 22.5° from reading as 22.4999….
    degrees = std::round(degrees * 1e9) / 1e9;
    if (degrees < 0) degrees += 360;
    if (degrees >= 360) degrees -= 360;
    // Eight 45° sectors centred on the axes and diagonals; shifting by half a sector turns the
    // lookup into a plain division.
    const int index = static_cast<int>(std::floor((degrees + 22.5) / 45)) % 8;
    return SnapDialView::segmentPosition(index);
}

}  // namespace tarnlet
