#pragma once
// The small template picture of a snap place: the outline of a screen with the place's frame
// filled in, taken from the snap geometry itself. The notch hints and the settings window label
// places with it; the dial shows it enlarged. Any thread.

#include "base/Image.h"
#include "windows/SnapPosition.h"

namespace tarnlet {

class SnapIcon {
public:
    static constexpr Size kSize{24, 16};

    static Drawing drawing(SnapPosition position);
    static Image image(SnapPosition position);
};

}  // namespace tarnlet
