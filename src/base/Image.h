#pragma once
// An image an item shows: a system symbol by name ("tray.fill", "eye.fill") with the description
// read out by accessibility tools, or a picture drawn by the application itself (the battery
// glyph). The renderer resolves symbol names to drawings.

#include <memory>
#include <string>

#include "base/Drawing.h"

namespace tarnlet {

struct Image {
    std::string name;
    std::string accessibilityDescription;
    // Set for a picture drawn by the application; `name` then only describes it.
    std::shared_ptr<const Drawing> drawing;

    static Image symbol(std::string name, std::string description = {}) {
        return Image{std::move(name), std::move(description), nullptr};
    }
    static Image drawn(std::string name, Drawing drawing) {
        return Image{std::move(name), {}, std::make_shared<const Drawing>(std::move(drawing))};
    }
    bool isSymbol() const { return drawing == nullptr; }

    friend bool operator==(const Image&, const Image&) = default;
};

}  // namespace tarnlet
