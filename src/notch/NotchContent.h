#pragma once
// What a bar at the notch shows: items left and right of the notch, a caption under it and an
// optional accent outline.

#include <optional>
#include <string>
#include <vector>

#include "base/Drawing.h"
#include "shared/NotchBarItem.h"

namespace tarnlet {

struct NotchContent {
    std::vector<NotchBarItem> left;
    std::vector<NotchBarItem> right;
    std::optional<std::string> caption;
    std::optional<Color> outlineColor;

    bool isEmpty() const { return left.empty() && right.empty() && !caption; }
};

}  // namespace tarnlet
