#include "windows/WindowSnapper.h"

#include <cmath>
#include <string>

#include "diagnostics/Log.h"

namespace tarnlet {

namespace {

template <typename T>
std::optional<T> lookup(const std::unordered_map<std::uint32_t, T>& map, std::uint32_t key) {
    const auto it = map.find(key);
    if (it == map.end()) return std::nullopt;
    return it->second;
}

double area(const Rect& r) {
    return r.isEmpty() ? 0.0 : r.width() * r.height();
}

}  // namespace

void WindowSnapper::snap(SnapPosition position, std::optional<int> pid) {
    const std::optional<AXWindow> window = AXWindow::focused(m_services, pid);
    const std::optional<Rect> current = window ? window->frame() : std::nullopt;
    if (!window || !current) {
        Log::debug([&] { return "Snap " + std::string(SnapPositions::name(position)) + ": no focused window"; });
        return;
    }
    const std::uint32_t key = window->key();

    if (position == SnapPosition::nextDisplay || position == SnapPosition::previousDisplay) {
        applyDisplayMove(position, *window, key, *current);
        return;
    }
    // Going back needs no resizing permission: the stored frame is one the window already had.
    if (position == SnapPosition::restore) {
        restore(*window, key);
        return;
    }
    if (!window->isResizable()) return;

    const SnapPosition effective = cycled(key, position, *current);
    const std::optional<Screen> target = screen(*current, m_services.screens.screens());
    if (!target) return;
    const std::optional<Rect> frame = SnapPositions::frame(effective, target->visibleFrame, current->size);
    if (!frame) return;

    rememberRestore(key, *current);
    window->setFrame(*frame);
    // An application may refuse part of the frame (a minimum size, a fixed aspect); what it really
    // accepted is what later cycling and restore decisions compare against.
    m_lastSetFrames[key] = window->frame().value_or(*frame);
    m_lastApplied[key] = effective;
}

void WindowSnapper::clear() {
    m_restoreFrames.clear();
    m_lastSetFrames.clear();
    m_lastApplied.clear();
}

std::optional<Rect> WindowSnapper::restoreFrame(std::uint32_t key) const { return lookup(m_restoreFrames, key); }
std::optional<Rect> WindowSnapper::lastSetFrame(std::uint32_t key) const { return lookup(m_lastSetFrames, key); }
std::optional<SnapPosition> WindowSnapper::lastApplied(std::uint32_t key) const { return lookup(m_lastApplied, key); }

bool WindowSnapper::approxEqual(const Rect& a, const Rect& b, double tolerance) {
    return std::abs(a.minX() - b.minX()) < tolerance && std::abs(a.minY() - b.minY()) < tolerance &&
           std::abs(a.width() - b.width()) < tolerance && std::abs(a.height() - b.height()) < tolerance;
}

std::optional<std::size_t> WindowSnapper::screenIndex(const Rect& rect, const std::vector<Screen>& screens) {
    if (screens.empty()) return std::nullopt;
    const Point mid = rect.center();
    for (std::size_t i = 0; i < screens.size(); ++i) {
        if (screens[i].frame.contains(mid)) return i;
    }
    // Strictly larger areas only, so ties (including no overlap at all) keep the earlier screen.
    std::size_t best = 0;
    double bestArea = area(screens[0].frame.intersection(rect));
    for (std::size_t i = 1; i < screens.size(); ++i) {
        const double a = area(screens[i].frame.intersection(rect));
        if (a > bestArea) {
            best = i;
            bestArea = a;
        }
    }
    return best;
}

std::optional<Screen> WindowSnapper::screen(const Rect& containing, const std::vector<Screen>& screens) {
    const auto index = screenIndex(containing, screens);
    if (!index) return std::nullopt;
    return screens[*index];
}

std::optional<Screen> WindowSnapper::screen(Point pointer, const std::vector<Screen>& screens) {
    // The pointer reaches a screen's top edge but not its right one: there the next screen begins.
    for (const Screen& s : screens) {
        const Rect& f = s.frame;
        if (pointer.x >= f.minX() && pointer.x < f.maxX() && pointer.y >= f.minY() && pointer.y <= f.maxY()) return s;
    }
    return std::nullopt;
}

std::optional<SnapPosition> WindowSnapper::cycleTrigger(SnapPosition last) {
    switch (last) {
        case SnapPosition::leftHalf:
        case SnapPosition::leftTwoThirds:
        case SnapPosition::leftThird: return SnapPosition::leftHalf;
        case SnapPosition::rightHalf:
        case SnapPosition::rightTwoThirds:
        case SnapPosition::rightThird: return SnapPosition::rightHalf;
        default: return std::nullopt;
    }
}

std::optional<SnapPosition> WindowSnapper::cycleNext(SnapPosition last) {
    switch (last) {
        case SnapPosition::leftHalf: return SnapPosition::leftTwoThirds;
        case SnapPosition::leftTwoThirds: return SnapPosition::leftThird;
        case SnapPosition::leftThird: return SnapPosition::leftHalf;
        case SnapPosition::rightHalf: return SnapPosition::rightTwoThirds;
        case SnapPosition::rightTwoThirds: return SnapPosition::rightThird;
        case SnapPosition::rightThird: return SnapPosition::rightHalf;
        default: return std::nullopt;
    }
}

SnapPosition WindowSnapper::cycled(std::uint32_t key, SnapPosition requested, const Rect& current) const {
    const auto last = lookup(m_lastApplied, key);
    if (!last) return requested;
    if (cycleTrigger(*last) != requested) return requested;
    const auto lastSet = lookup(m_lastSetFrames, key);
    if (!lastSet) return requested;
    // A window the user has moved since starts the cycle afresh.
    if (std::abs(current.midX() - lastSet->midX()) >= kMoveTolerance ||
        std::abs(current.midY() - lastSet->midY()) >= kMoveTolerance)
        return requested;
    return cycleNext(*last).value_or(requested);
}

void WindowSnapper::rememberRestore(std::uint32_t key, const Rect& current) {
    // While the window still stands where Snap last put it, the frame from before the first snap
    // stays the target of restore. A window that only went through a display move has no such
    // frame yet, so its present frame is taken rather than leaving restore with nothing.
    const auto lastSet = lookup(m_lastSetFrames, key);
    if (lastSet && approxEqual(current, *lastSet, kMoveTolerance) && m_restoreFrames.contains(key)) return;
    m_restoreFrames[key] = current;
    Log::debug([&] { return "Snap stored restore frame for window " + std::to_string(key); });
}

void WindowSnapper::restore(const AXWindow& window, std::uint32_t key) {
    const auto stored = lookup(m_restoreFrames, key);
    if (!stored) {
        Log::debug([&] { return "Snap restore: nothing stored for window " + std::to_string(key); });
        return;
    }
    window.setFrame(*stored);
    m_restoreFrames.erase(key);
    m_lastSetFrames.erase(key);
    m_lastApplied.erase(key);
    Log::debug([&] { return "Snap restored window " + std::to_string(key); });
}

void WindowSnapper::applyDisplayMove(SnapPosition position, const AXWindow& window, std::uint32_t key,
                                     const Rect& current) {
    const std::vector<Screen> screens = m_services.screens.screens();
    if (screens.size() < 2) return;
    const auto source = screenIndex(current, screens);
    if (!source) return;
    const long count = static_cast<long>(screens.size());
    const long step = position == SnapPosition::nextDisplay ? 1 : -1;
    const auto target = static_cast<std::size_t>((static_cast<long>(*source) + step + count) % count);

    const Rect& s = screens[*source].visibleFrame;
    const Rect& t = screens[target].visibleFrame;
    // A degenerate visible frame on either side would turn the window into a zero-sized or
    // infinite rectangle; such a move is not made.
    if (s.isEmpty() || t.isEmpty()) return;

    // The window keeps its place and size relative to the visible area, so a window filling the
    // left half of one display fills the left half of the other.
    const double rx = (current.minX() - s.minX()) / s.width();
    const double ry = (current.minY() - s.minY()) / s.height();
    const double rw = current.width() / s.width();
    const double rh = current.height() / s.height();
    const Rect moved(t.minX() + rx * t.width(), t.minY() + ry * t.height(), rw * t.width(), rh * t.height());

    window.setFrame(moved);
    m_lastSetFrames[key] = window.frame().value_or(moved);
}

}  // namespace tarnlet
