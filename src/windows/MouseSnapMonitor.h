#pragma once
// The mouse dial: while the snap chord is held, a ring appears at the pointer and the direction
// the pointer then moves in (25 points or more) picks one of eight places, previewed by a
// footprint on the screen under the pointer. The feature snaps to the pending place when the
// chord is released.
//
//     dial.begin();                   // ring at the pointer, moves watched
//     … dial.pendingSector() …        // the place the pointer points at, if any
//     dial.cleanup();                 // ring, footprint and monitor gone
//
// Main thread only.

#include <functional>
#include <memory>
#include <optional>

#include "base/Geometry.h"
#include "base/WeakToken.h"
#include "platform/Mouse.h"
#include "windows/FootprintWindow.h"
#include "windows/SnapDialView.h"
#include "windows/SnapPosition.h"

namespace tarnlet {

class Screens;

class MouseSnapMonitor {
public:
    static constexpr double kDeadZone = 25;

    MouseSnapMonitor(Mouse& mouse, Panels& panels, Screens& screens);
    ~MouseSnapMonitor();
    MouseSnapMonitor(const MouseSnapMonitor&) = delete;
    MouseSnapMonitor& operator=(const MouseSnapMonitor&) = delete;

    void begin();
    void cleanup();
    bool isRunning() const { return m_origin.has_value(); }

    // The place an offset from the dial's centre points at (y grows upward); none inside the dead
    // zone.
    static std::optional<SnapPosition> sector(double dx, double dy);

    const std::optional<Point>& origin() const { return m_origin; }
    const std::optional<SnapPosition>& pendingSector() const { return m_pendingSector; }
    const FootprintWindow& footprint() const { return m_footprint; }
    const Panel* ring() const { return m_ring.get(); }
    const SnapDialView* dialView() const { return m_view.get(); }

    std::function<void(SnapPosition)> onSnap;

private:
    void moved();

    Mouse& m_mouse;
    Panels& m_panels;
    Screens& m_screens;
    std::unique_ptr<MouseMonitor> m_monitor;
    std::shared_ptr<SnapDialView> m_view;
    std::unique_ptr<Panel> m_ring;
    FootprintWindow m_footprint;
    std::optional<Point> m_origin;
    std::optional<SnapPosition> m_pendingSector;
    WeakFactory m_weak;
};

}  // namespace tarnlet
