#pragma once
// The Color tool: ⌃⌥⇧C opens the system's colour loupe, and the colour the user clicks is copied
// as a hexadecimal sRGB code ("#FF8000") and reported through onColor. The hot key is registered
// only while the tool is on; stopping it does not close a loupe that is already open, whose pick is
// still copied. The loupe samples the screen itself, so no permission is needed.
//
// Main thread only; the loupe's answer holds the feature weakly.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/Feature.h"
#include "base/WeakToken.h"
#include "platform/ColorSampler.h"

namespace tarnlet {

class HotKeyWatcher;
class Pasteboard;

class ColorPickerFeature : public Feature {
public:
    static constexpr std::uint16_t kKeyCode = 8;         // the C key
    static constexpr std::uint32_t kModifiers = 0x1A00;  // control, option and shift

    ColorPickerFeature(HotKeyWatcher& hotKeys, ColorSampler& sampler, Pasteboard& pasteboard);
    ~ColorPickerFeature() override;
    ColorPickerFeature(const ColorPickerFeature&) = delete;
    ColorPickerFeature& operator=(const ColorPickerFeature&) = delete;

    // Told of every colour copied, with its text.
    std::function<void(const std::string& hex, const SampledColor& color)> onColor;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;
    std::optional<std::uint32_t> hotKeyID() const { return m_hotKeyID; }

    // Opens the loupe when the tool is on.
    void trigger();

    // "#" and six upper-case hexadecimal digits of the colour in sRGB, components clamped to 0…1
    // and rounded half away from zero; none for a colour without an sRGB equivalent.
    static std::optional<std::string> hex(const SampledColor& from);

private:
    void picked(const std::optional<SampledColor>& color);

    HotKeyWatcher& m_hotKeys;
    ColorSampler& m_sampler;
    Pasteboard& m_pasteboard;
    std::optional<std::uint32_t> m_hotKeyID;
    bool m_isActive = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
