#pragma once
// The places Snap puts a window, in their stored order, and the frame of each place inside a
// visible frame. Adjacent places share their edges exactly: no gaps, margins or insets.

#include <array>
#include <optional>
#include <string_view>

#include "base/Geometry.h"

namespace tarnlet {

enum class SnapPosition {
    leftHalf,
    rightHalf,
    topHalf,
    bottomHalf,
    topLeft,
    topRight,
    bottomLeft,
    bottomRight,
    leftThird,
    centerThird,
    rightThird,
    leftTwoThirds,
    rightTwoThirds,
    maximize,
    center,
    restore,
    nextDisplay,
    previousDisplay,
};

class SnapPositions {
public:
    static const std::array<SnapPosition, 18>& all();
    // The case name, as log lines write it ("leftHalf").
    static std::string_view name(SnapPosition position);
    static std::optional<SnapPosition> fromName(std::string_view name);
    // The frame of the place inside the visible frame; none for restore and the display moves.
    static std::optional<Rect> frame(SnapPosition position, const Rect& visible, Size windowSize);
};

}  // namespace tarnlet
