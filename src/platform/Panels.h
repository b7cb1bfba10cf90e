#pragma once
// Borderless panels that float above every window: a drawn bar at a frame, at a window level with
// a collection behaviour. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "base/Drawing.h"

namespace tarnlet {

// What a panel shows: it is asked for a drawing of its current frame whenever it is drawn. Content
// that changes by itself (a bar that springs open, a caption replaced) says so through onChange,
// and animatedUntil() tells until when its drawing keeps moving without further word, so that a
// backend that draws only when told redraws it for that long.
class PanelContent {
public:
    virtual ~PanelContent() = default;
    virtual Drawing drawing() const = 0;
    // The main queue's time up to which the drawing changes by itself; infinite while an animation
    // runs for as long as the content stays, 0 (the default) for still content.
    virtual double animatedUntil() const { return 0; }
    // Set by the backend showing the content; called by the content after each change.
    std::function<void()> onChange;

protected:
    void changed() const {
        if (onChange) onChange();
    }
};

struct PanelOptions {
    int level = 0;
    std::uint64_t collectionBehavior = 0;
    bool ignoresMouse = true;
    double alpha = 1;  // the opacity it comes on screen with
};

// Where a panel's opacity and frame go, over `duration` seconds; an absent field stays as it is.
struct PanelAnimation {
    std::optional<double> alpha;
    std::optional<Rect> frame;
    double duration = 0;
};

class Panel {
public:
    virtual ~Panel() = default;
    // Swaps in new content and frame without closing the panel.
    virtual void replace(std::shared_ptr<PanelContent> content, Rect frame) = 0;
    // Takes the panel off screen at once; it keeps its content, frame and opacity.
    virtual void remove() = 0;
    // Puts the panel back in front of the others, without activating the application.
    virtual void orderFront() = 0;
    virtual bool isOnScreen() const = 0;
    // The opacity and frame on screen now: the in-between values while an animation runs.
    virtual double alpha() const = 0;
    virtual Rect frame() const = 0;
    // Animates from the current values. A new animation of a property takes over from the running
    // one where it stands. `onComplete` runs on the main queue when the animation's time is up,
    // whether or not a later animation took over, but never once the panel is destroyed; even an
    // animation of no duration reports on a later turn of the queue, never from inside this call.
    virtual void animate(const PanelAnimation& animation, std::function<void()> onComplete = {}) = 0;
};

class Panels {
public:
    virtual ~Panels() = default;
    virtual std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) = 0;
};

}  // namespace tarnlet
