#pragma once
// The colour loupe on X11. The screens are captured when it opens (Qt's screen grab, an XGetImage
// of the root window's area of each screen) and shown still under a magnifier that follows the
// pointer (see LoupeWindow); a click picks the pixel's colour, Escape or a right click cancels.
// X11 keeps no colour profile for its screens, so a pixel's red, green and blue are taken as sRGB.
//
// One loupe shows at a time: opening another while one is open cancels the first. The completion
// runs exactly once, on a later turn of the main queue: with the colour, or with none when the user
// cancelled, when no screen could be captured, or when the loupe was destroyed while it showed.
// Main thread only; Qt's application object must exist.

#include <functional>
#include <memory>
#include <optional>

#include "platform/ColorSampler.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class LoupeWindow;

class ColorLoupe : public ColorSampler {
public:
    explicit ColorLoupe(MainQueue& queue);
    ~ColorLoupe() override;
    ColorLoupe(const ColorLoupe&) = delete;
    ColorLoupe& operator=(const ColorLoupe&) = delete;

    void show(std::function<void(std::optional<SampledColor>)> completion) override;

    bool isOpen() const { return static_cast<bool>(m_completion); }
    // Open and holding the keyboard, so that a click and Escape both reach it.
    bool isReady() const;

private:
    void finish(std::optional<SampledColor> color);

    MainQueue& m_queue;
    std::function<void(std::optional<SampledColor>)> m_completion;
    std::unique_ptr<LoupeWindow> m_window;
};

}  // namespace tarnlet::linux_desktop
