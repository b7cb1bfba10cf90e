#pragma once
// Where the notch is on each display, what stands in for it on displays without a camera housing,
// and the outlines of the black shape drawn there. Presenters ask afresh each time they build a bar
// (hudScreen() through their surface), so display changes take effect at the next presentation:
//
//     if (auto hud = NotchGeometry::hudScreen(screens.screens())) present(hud->notch);
//
// Stateless apart from the process-wide drawsWithoutNotch switch. Main thread only.

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Geometry.h"
#include "base/Path.h"
#include "base/Subscription.h"
#include "platform/Screens.h"

namespace tarnlet {

class NotchGeometry {
public:
    NotchGeometry() = delete;

    // Announced (with no object) whenever drawsWithoutNotch changes.
    static constexpr std::string_view kDidChangeNotification = "app.tarnletapp.notchGeometryDidChange";

    // The notch of one screen in global coordinates: the camera housing where there is one, else a
    // synthesised one centred under the menu bar while drawsWithoutNotch is on, else none.
    static std::optional<Rect> notchRect(const Screen& screen);

    struct HudScreen {
        Screen screen;
        Rect notch;
    };
    // The screen to present at: the first with a camera housing, else the first screen (the one
    // with the menu bar) when it can have a synthesised notch; none without screens.
    static std::optional<HudScreen> hudScreen(const std::vector<Screen>& screens);

    // True when any screen has a camera housing; bars then grow out of the real housing instead of
    // out of a zero-height line.
    static bool hasPhysicalNotch(const std::vector<Screen>& screens);

    // The bar outline in an upward y system: square top corners flush with the screen edge, the
    // bottom corners rounded with the radius (clamped so the corners never overlap).
    static Path shelfPath(Rect rect, double radius);

    struct StrokePaths {
        Path left;
        Path right;
    };
    // The two halves of the accent outline, each from a top corner down its side to the bottom
    // centre, so stroking both with a growing stroke end draws the outline symmetrically.
    static StrokePaths shelfStrokePaths(Size size, double inset, double radius);

    // Whether notchless displays get a synthesised notch; the reconcile step copies the user's
    // setting into it. Initially true.
    static bool drawsWithoutNotch();
    // Observers hear of a change only when the value really changes.
    static void setDrawsWithoutNotch(bool draws);
    // Registers for the did-change notification; the handler runs synchronously on the main thread.
    [[nodiscard]] static Subscription observeChanges(std::function<void()> onChange);
};

}  // namespace tarnlet
