#include "notch/NotchGeometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/ObserverList.h"

namespace tarnlet {

namespace {

// The height of a synthesised notch when the menu bar is hidden (or reported as a sliver).
constexpr double kFallbackHeight = 24;
// Synthesised notches are never wider than this, and never wider than a third of the screen.
constexpr double kMaxSyntheticWidth = 120;

bool s_drawsWithoutNotch = true;

// Function-local so that the list exists before any static initialiser subscribes to it.
ObserverList<>& changeObservers() {
    static ObserverList<> observers;
    return observers;
}

// A camera housing reports a top safe-area inset and the two menu-bar areas beside it.
std::optional<Rect> physicalNotchRect(const Screen& screen) {
    if (!(screen.safeAreaTopInset > 0) || !screen.auxiliaryTopLeftArea || !screen.auxiliaryTopRightArea)
        return std::nullopt;
    const double left = screen.auxiliaryTopLeftArea->maxX();
    const double right = screen.auxiliaryTopRightArea->minX();
    return Rect(left, screen.frame.maxY() - screen.safeAreaTopInset, right - left, screen.safeAreaTopInset);
}

// A negative radius (or a degenerate rectangle) must not turn the corner curves inside out.
double cornerRadius(double radius, double halfHeight, double halfWidth) {
    return std::max(0.0, std::min({radius, halfHeight, halfWidth}));
}

}  // namespace

std::optional<Rect> NotchGeometry::notchRect(const Screen& screen) {
    if (auto physical = physicalNotchRect(screen)) return physical;
    if (!s_drawsWithoutNotch) return std::nullopt;

    // The synthesised notch sits centred under the top edge and is as high as the menu bar.
    double height = screen.frame.maxY() - screen.visibleFrame.maxY();
    if (!(height > 1)) height = kFallbackHeight;
    const double width = std::min(screen.frame.width() / 3, kMaxSyntheticWidth);
    const double x = std::round(screen.frame.midX() - width / 2);
    return Rect(x, screen.frame.maxY() - height, width, height);
}

std::optional<NotchGeometry::HudScreen> NotchGeometry::hudScreen(const std::vector<Screen>& screens) {
    for (const Screen& screen : screens)
        if (auto notch = physicalNotchRect(screen)) return HudScreen{screen, *notch};
    if (screens.empty()) return std::nullopt;
    // No housing anywhere: the menu-bar screen, if notchless displays are drawn on at all.
    if (auto notch = notchRect(screens.front())) return HudScreen{screens.front(), *notch};
    return std::nullopt;
}

bool NotchGeometry::hasPhysicalNotch(const std::vector<Screen>& screens) {
    return std::any_of(screens.begin(), screens.end(),
                       [](const Screen& screen) { return physicalNotchRect(screen).has_value(); });
}

Path NotchGeometry::shelfPath(Rect rect, double radius) {
    const double r = cornerRadius(radius, rect.height() / 2, rect.width() / 2);
    Path path;
    path.moveTo({rect.minX(), rect.maxY()})
        .lineTo({rect.minX(), rect.minY() + r})
        .quadTo({rect.minX() + r, rect.minY()}, {rect.minX(), rect.minY()})
        .lineTo({rect.maxX() - r, rect.minY()})
        .quadTo({rect.maxX(), rect.minY() + r}, {rect.maxX(), rect.minY()})
        .lineTo({rect.maxX(), rect.maxY()})
        .close();
    return path;
}

NotchGeometry::StrokePaths NotchGeometry::shelfStrokePaths(Size size, double inset, double radius) {
    const double i = inset;
    const double innerWidth = size.width - 2 * i;
    const double r = cornerRadius(radius, (size.height - i) / 2, innerWidth / 2);
    const double mid = i + innerWidth / 2;
    const double xr = i + innerWidth;

    StrokePaths paths;
    paths.left.moveTo({i, size.height}).lineTo({i, i + r}).quadTo({i + r, i}, {i, i}).lineTo({mid, i});
    paths.right.moveTo({xr, size.height}).lineTo({xr, i + r}).quadTo({xr - r, i}, {xr, i}).lineTo({mid, i});
    return paths;
}

bool NotchGeometry::drawsWithoutNotch() { return s_drawsWithoutNotch; }

void NotchGeometry::setDrawsWithoutNotch(bool draws) {
    if (s_drawsWithoutNotch == draws) return;
    s_drawsWithoutNotch = draws;
    changeObservers().notify();
}

Subscription NotchGeometry::observeChanges(std::function<void()> onChange) {
    return changeObservers().add(std::move(onChange));
}

}  // namespace tarnlet
