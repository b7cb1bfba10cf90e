#pragma once
// The colour picker's wiring: a picked colour shows its chip.

#include <memory>

#include "app/tools/Tool.h"
#include "base/WeakToken.h"
#include "clipboard/ColorPickerFeature.h"

namespace tarnlet {

class ColorPickerTool : public Tool {
public:
    explicit ColorPickerTool(ToolContext& context) : Tool(context) {}
    Feature& feature() override { return colorPicker(); }
    ColorPickerFeature& colorPicker();

private:
    std::unique_ptr<ColorPickerFeature> m_colorPicker;
    WeakFactory m_weak;
};

}  // namespace tarnlet
