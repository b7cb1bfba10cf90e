#pragma once
// One item of the notch bar (a hint of the chord strip, one side of a chip). Producers set only the
// fields they need; the notch lays the item out.

#include <optional>
#include <string>

#include "base/Image.h"

namespace tarnlet {

struct NotchBarItem {
    std::optional<Image> icon;
    std::optional<std::string> text;
    std::optional<std::string> badge;  // a short key label, e.g. the chord letter
    bool warning = false;
    bool textLeading = false;  // text before the icon
    bool value = false;        // text drawn as a value ("On"/"Off")
    bool dimmed = false;
    bool accentDot = false;
    bool closedEye = false;
    // The key by which the bar pulses this item; without it the text, else the badge, serves.
    std::optional<std::string> pulseKey;
    bool running = false;  // a running-state dot on a badged icon
    bool wave = false;     // an animated audio-level view

    // The key the bar pulses this item by.
    std::optional<std::string> effectivePulseKey() const {
        if (pulseKey) return pulseKey;
        if (text) return text;
        return badge;
    }

    friend bool operator==(const NotchBarItem&, const NotchBarItem&) = default;
};

}  // namespace tarnlet
