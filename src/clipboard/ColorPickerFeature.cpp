#include "clipboard/ColorPickerFeature.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "diagnostics/Log.h"
#include "keys/HotKeyWatcher.h"
#include "platform/Pasteboard.h"

namespace tarnlet {

ColorPickerFeature::ColorPickerFeature(HotKeyWatcher& hotKeys, ColorSampler& sampler, Pasteboard& pasteboard)
    : m_hotKeys(hotKeys), m_sampler(sampler), m_pasteboard(pasteboard) {}

ColorPickerFeature::~ColorPickerFeature() {
    if (m_hotKeyID) m_hotKeys.unregisterHotKey(*m_hotKeyID);
}

void ColorPickerFeature::activate() {
    if (m_isActive) return;
    m_isActive = true;
    // A combination another application holds leaves the tool on without a hot key.
    m_hotKeyID = m_hotKeys.registerHotKey(kKeyCode, kModifiers, m_weak.bind([this] { trigger(); }));
}

void ColorPickerFeature::deactivate() {
    if (!m_isActive) return;
    m_isActive = false;
    if (m_hotKeyID) m_hotKeys.unregisterHotKey(*m_hotKeyID);
    m_hotKeyID.reset();
}

void ColorPickerFeature::trigger() {
    Log::debug("Color: picker opened");
    if (!m_isActive) return;
    // Not checked against isActive on return: a loupe the user already holds is finished even when
    // the tool is switched off meanwhile.
    m_sampler.show(m_weak.bind([this](std::optional<SampledColor> color) { picked(color); }));
}

void ColorPickerFeature::picked(const std::optional<SampledColor>& color) {
    if (!color) return;  // cancelled
    const auto text = hex(*color);
    if (!text) return;
    m_pasteboard.clearContents();
    // Only a colour that really reached the pasteboard is announced as copied.
    if (!m_pasteboard.setString(*text)) {
        Log::debug("Color: pasteboard refused the colour");
        return;
    }
    if (onColor) onColor(*text, *color);
}

std::optional<std::string> ColorPickerFeature::hex(const SampledColor& from) {
    if (!from.isConvertibleToSRGB) return std::nullopt;
    int bytes[3];
    const double components[3] = {from.red, from.green, from.blue};
    for (int i = 0; i < 3; ++i) {
        // A NaN component would make the conversion to an integer undefined; such a colour has no
        // meaningful code.
        if (std::isnan(components[i])) return std::nullopt;
        bytes[i] = static_cast<int>(std::round(std::clamp(components[i], 0.0, 1.0) * 255.0));
    }
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", bytes[0], bytes[1], bytes[2]);
    return std::string(text);
}

}  // namespace tarnlet
