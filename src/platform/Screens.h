#pragma once
// The attached screens in desktop coordinates, first screen first (the one with the menu bar).
// Main thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "base/Geometry.h"
#include "base/Subscription.h"

namespace tarnlet {

struct Screen {
    std::uint32_t displayID = 0;
    Rect frame;
    Rect visibleFrame;
    double safeAreaTopInset = 0;  // greater than 0 on a panel with a camera notch
    std::optional<Rect> auxiliaryTopLeftArea;
    std::optional<Rect> auxiliaryTopRightArea;
    double scale = 1;
    bool isBuiltin = false;  // the computer's own panel rather than an external display
};

class Screens {
public:
    virtual ~Screens() = default;
    virtual std::vector<Screen> screens() const = 0;
    // Called on the main queue after the screen configuration changed.
    virtual Subscription observeChanges(std::function<void()> onChange) = 0;
};

}  // namespace tarnlet
