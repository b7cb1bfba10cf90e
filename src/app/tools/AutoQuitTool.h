#pragma once
// Auto-Quit's wiring: nothing to show, only the tool itself.

#include <memory>

#include "app/tools/Tool.h"
#include "windows/AutoQuitFeature.h"

namespace tarnlet {

class AutoQuitTool : public Tool {
public:
    explicit AutoQuitTool(ToolContext& context) : Tool(context) {}
    Feature& feature() override { return autoQuit(); }
    AutoQuitFeature& autoQuit();

private:
    std::unique_ptr<AutoQuitFeature> m_autoQuit;
};

}  // namespace tarnlet
