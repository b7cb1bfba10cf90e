#include "app/tools/AutoQuitTool.h"

#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "platform/SystemFacts.h"

namespace tarnlet {

AutoQuitFeature& AutoQuitTool::autoQuit() {
    if (!m_autoQuit) {
        auto& p = context().platform;
        m_autoQuit = std::make_unique<AutoQuitFeature>(context().settings, p.workspace, p.mainQueue,
                                                       p.systemFacts.processIdentifier());
    }
    return *m_autoQuit;
}

TARNLET_REGISTER_TOOL(SettingsPane::autoQuit, AutoQuitTool)

}  // namespace tarnlet
