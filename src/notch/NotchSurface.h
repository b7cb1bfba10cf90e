#pragma once
// What a presenter puts a drawn bar into. A surface knows where the notch is right now and mounts
// bars on screen; a mount is one bar on screen that can be swapped in place (no flicker of a new
// window) or taken away at once. Frames are global coordinates (origin bottom-left, y up).
//
//     if (auto notch = surface.notchRect()) m_mount = surface.mount(bar, frameAround(*notch));
//
// Main thread only.

#include <memory>
#include <optional>

#include "base/Geometry.h"

namespace tarnlet {

class NotchBarView;

class NotchMount {
public:
    virtual ~NotchMount() = default;
    // The bar currently mounted.
    virtual std::shared_ptr<NotchBarView> bar() const = 0;
    // Swaps in a new bar and frame without closing the mount.
    virtual void replace(std::shared_ptr<NotchBarView> bar, Rect frame) = 0;
    // Takes the bar off screen at once.
    virtual void remove() = 0;
};

class NotchSurface {
public:
    virtual ~NotchSurface() = default;
    // The notch to present at, asked afresh for every bar; none when nothing may be shown.
    virtual std::optional<Rect> notchRect() = 0;
    // Puts the bar on screen occupying frame.
    virtual std::unique_ptr<NotchMount> mount(std::shared_ptr<NotchBarView> bar, Rect frame) = 0;
};

}  // namespace tarnlet
