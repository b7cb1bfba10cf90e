#pragma once
// Snap by dragging: while a window of another application is dragged by its title bar, the pointer
// reaching a screen edge or corner previews the place with a footprint, and letting go there snaps
// the window. Each drag runs a small state machine: idle → window looked up (first drag event) →
// dragging the window (once it moved without changing size) → idle at the release. A drag that
// resizes the window, or has not moved it after 20 events, is left alone.
//
//     EdgeSnapMonitor edges(drags, services, mouse, panels);
//     edges.onSnap = [](SnapPosition p, int pid) { … };
//     edges.start();
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <optional>

#include "base/Geometry.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "shared/DragWatcher.h"
#include "windows/AXWindow.h"
#include "windows/FootprintWindow.h"
#include "windows/SnapPosition.h"

namespace tarnlet {

class Mouse;

class EdgeSnapMonitor {
public:
    static constexpr double kEdgeBand = 8;
    static constexpr double kCornerReach = 50;
    static constexpr int kMaxDetectionAttempts = 20;
    static constexpr double kResizeTolerance = 2.0;

    struct Zone {
        SnapPosition position;
        Rect frame;
        friend bool operator==(const Zone&, const Zone&) = default;
    };

    EdgeSnapMonitor(DragWatcher& drag, WindowServices& services, Mouse& mouse, Panels& panels);
    ~EdgeSnapMonitor();
    EdgeSnapMonitor(const EdgeSnapMonitor&) = delete;
    EdgeSnapMonitor& operator=(const EdgeSnapMonitor&) = delete;

    void start();
    void stop();

    // The place a pointer at p asks for on a screen with visible frame V: corners within 50 points
    // along either edge, then the side edges, the top (maximize) and the bottom, each an 8-point
    // band; none in the middle.
    static std::optional<Zone> zone(Point p, const Rect& visible);

    bool isDraggingWindow() const { return m_isDraggingWindow; }
    int detectionAttempts() const { return m_detectionAttempts; }
    const std::optional<SnapPosition>& pendingSnap() const { return m_pendingSnap; }
    const FootprintWindow& footprint() const { return m_footprint; }

    std::function<void(SnapPosition, std::int32_t pid)> onSnap;

private:
    void handle(DragWatcher::Event event);
    void dragged();
    void released();
    void reset();

    DragWatcher& m_drag;
    WindowServices& m_services;
    Mouse& m_mouse;
    FootprintWindow m_footprint;
    bool m_resolved = false;
    std::optional<AXWindow> m_window;
    std::optional<Rect> m_initialFrame;
    bool m_isDraggingWindow = false;
    int m_detectionAttempts = 0;
    std::optional<SnapPosition> m_pendingSnap;
    Subscription m_dragSubscription;
    WeakFactory m_weak;
};

}  // namespace tarnlet
