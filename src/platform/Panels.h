#pragma once
// Borderless panels that float above every window: a drawn bar at a frame, at a window level with
// a collection behaviour. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/Drawing.h"

namespace tarnlet {

// What a panel shows: it is asked for a drawing of its current frame whenever it is drawn.
class PanelContent {
public:
    virtual ~PanelContent() = default;
    virtual Drawing drawing() const = 0;
};

struct PanelOptions {
    int level = 0;
    std::uint64_t collectionBehavior = 0;
    bool ignoresMouse = true;
};

class Panel {
public:
    virtual ~Panel() = default;
    // Swaps in new content and frame without closing the panel.
    virtual void replace(std::shared_ptr<PanelContent> content, Rect frame) = 0;
    // Takes the panel off screen at once.
    virtual void remove() = 0;
    virtual bool isOnScreen() const = 0;
};

class Panels {
public:
    virtual ~Panels() = default;
    virtual std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) = 0;
};

}  // namespace tarnlet
