#pragma once
// The system's colour loupe: a magnifier that follows the pointer over the whole screen until the
// user clicks a pixel or presses Escape. Sampling the screen through it needs no permission.
//
//     sampler.show([](std::optional<SampledColor> color) { if (color) use(*color); });
//
// Main thread only; the completion runs later, on the main queue.

#include <functional>
#include <optional>

namespace tarnlet {

struct SampledColor {
    // The colour in extended-range sRGB: a colour beyond the sRGB gamut (from a wide-gamut display)
    // has components below 0 or above 1.
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    // False for a colour that has no sRGB equivalent (a pattern, a catalogue colour); its components
    // then mean nothing.
    bool isConvertibleToSRGB = true;
};

class ColorSampler {
public:
    virtual ~ColorSampler() = default;
    // Opens the loupe. The completion runs exactly once: with the colour clicked, or with none when
    // the user cancelled.
    virtual void show(std::function<void(std::optional<SampledColor>)> completion) = 0;
};

}  // namespace tarnlet
