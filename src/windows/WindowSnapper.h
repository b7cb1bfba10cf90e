#pragma once
// Applies Snap's places to the focused window of an application: computes the frame on the
// window's screen, remembers the frame to go back to, cycles half → two thirds → third when the
// same side is asked for again on an untouched window, and moves windows between displays.
//
//     WindowSnapper snapper(services);
//     snapper.snap(SnapPosition::leftHalf);        // the frontmost application's focused window
//     snapper.snap(SnapPosition::restore, pid);    // a given process's focused window
//
// Everything the snapper remembers is keyed by the window key and kept until a restore or clear().
// Main thread only.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "base/Geometry.h"
#include "platform/Screens.h"
#include "windows/AXWindow.h"
#include "windows/SnapPosition.h"

namespace tarnlet {

class WindowSnapper {
public:
    // Below this distance a window still stands where Snap put it; beyond it the user moved it.
    static constexpr double kMoveTolerance = 2.0;

    explicit WindowSnapper(WindowServices& services) : m_services(services) {}
    WindowSnapper(const WindowSnapper&) = delete;
    WindowSnapper& operator=(const WindowSnapper&) = delete;

    // The one entry point of every trigger. pid none means the frontmost application.
    void snap(SnapPosition position, std::optional<int> pid = std::nullopt);
    // Forgets every window; the feature calls it when it is switched off.
    void clear();

    std::optional<Rect> restoreFrame(std::uint32_t key) const;
    std::optional<Rect> lastSetFrame(std::uint32_t key) const;
    std::optional<SnapPosition> lastApplied(std::uint32_t key) const;

    // True when origins and sizes each differ by strictly less than the tolerance.
    static bool approxEqual(const Rect& a, const Rect& b, double tolerance);
    // The screen holding the rectangle's mid-point or, failing that, the one it overlaps most (the
    // first screen when it overlaps none); none without screens.
    static std::optional<Screen> screen(const Rect& containing, const std::vector<Screen>& screens);
    // The first screen under the pointer; none when it is off every screen.
    static std::optional<Screen> screen(Point pointer, const std::vector<Screen>& screens);

    // The request that continues a cycle after the given place, and what it then yields; none for
    // places that do not cycle.
    static std::optional<SnapPosition> cycleTrigger(SnapPosition last);
    static std::optional<SnapPosition> cycleNext(SnapPosition last);

private:
    static std::optional<std::size_t> screenIndex(const Rect& containing, const std::vector<Screen>& screens);

    SnapPosition cycled(std::uint32_t key, SnapPosition requested, const Rect& current) const;
    void rememberRestore(std::uint32_t key, const Rect& current);
    void restore(const AXWindow& window, std::uint32_t key);
    void applyDisplayMove(SnapPosition position, const AXWindow& window, std::uint32_t key, const Rect& current);

    WindowServices& m_services;
    std::unordered_map<std::uint32_t, Rect> m_restoreFrames;
    std::unordered_map<std::uint32_t, Rect> m_lastSetFrames;
    std::unordered_map<std::uint32_t, SnapPosition> m_lastApplied;
};

}  // namespace tarnlet
