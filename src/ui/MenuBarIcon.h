#pragma once
// The application's picture in the menu bar: a 15 × 14 point cup drawn in black, shown as a
// template image (the system tints it to suit the bar). While a keep-awake session runs the cup is
// full and steams, so the state reads at a glance:
//
//     item.setImage(MenuBarIcon::image(awake.isActive(), facts.words()));
//
// Stateless; any thread.

#include "base/Drawing.h"
#include "base/Image.h"
#include "platform/SystemFacts.h"

namespace tarnlet {

class MenuBarIcon {
public:
    static constexpr Size kSize{15, 14};
    // The image names, distinct per variant, so that a backend may cache the rendered pixels.
    static constexpr const char* kName = "MenuBarIcon";
    static constexpr const char* kActiveName = "MenuBarIcon.awake";

    static Drawing drawing(bool awakeActive);
    // Its description names the computer in the desktop's words.
    static Image image(bool awakeActive, const DesktopWords& words);
};

}  // namespace tarnlet
