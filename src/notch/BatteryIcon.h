#pragma once
// The battery glyph of the battery chips: a 28 × 14 point drawing of the body, the terminal, the
// charge level and, while charging, a bolt.

#include "base/Image.h"

namespace tarnlet {

class BatteryIcon {
public:
    static constexpr double kWidth = 28;
    static constexpr double kHeight = 14;

    static Drawing drawing(int percent, bool charging);
    static Image image(int percent, bool charging);
};

}  // namespace tarnlet
