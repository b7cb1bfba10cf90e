#include "app/tools/ColorPickerTool.h"

#include <algorithm>

#include "app/NotchPort.h"
#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "notch/NotchStates.h"

namespace tarnlet {

ColorPickerFeature& ColorPickerTool::colorPicker() {
    if (!m_colorPicker) {
        auto& p = context().platform;
        m_colorPicker = std::make_unique<ColorPickerFeature>(context().hotKeys, p.colorSampler, p.pasteboard);
        m_colorPicker->onColor = m_weak.bind([this](const std::string& hex, const SampledColor& color) {
            const Color shown{std::clamp(color.red, 0.0, 1.0), std::clamp(color.green, 0.0, 1.0),
                              std::clamp(color.blue, 0.0, 1.0), 1};
            context().notch.showChip(NotchStates::colorChip(hex, shown));
        });
    }
    return *m_colorPicker;
}

TARNLET_REGISTER_TOOL(SettingsPane::colorPicker, ColorPickerTool)

}  // namespace tarnlet
