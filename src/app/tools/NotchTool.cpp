#include "app/tools/NotchTool.h"

#include "app/NotchPort.h"
#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "notch/NotchFeature.h"

namespace tarnlet {

Feature& NotchTool::feature() { return context().notch.feature(); }

TARNLET_REGISTER_TOOL(SettingsPane::notch, NotchTool)

}  // namespace tarnlet
