#include "app/tools/SweepTool.h"

#include "app/AccessibilityPermission.h"
#include "app/NotchPort.h"
#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "notch/NotchStates.h"
#include "platform/Permissions.h"
#include "platform/SystemFacts.h"
#include "settings/Settings.h"

namespace tarnlet {

SweepTool::SweepTool(ToolContext& context) : Tool(context) {}

SweepEngine& SweepTool::sweep() {
    if (!m_sweep) {
        auto& c = context();
        auto& p = c.platform;
        m_spaces = std::make_unique<WindowSpaces>(p.windowServer);
        m_sweep = std::make_unique<SweepEngine>(
            c.settings, SweepEngine::Services{p.workspace, p.accessibility, p.windowServer, *m_spaces, p.mainQueue,
                                              p.taskQueues, p.systemFacts.processIdentifier()});
        m_sweep->onAppQuit = m_weak.bind([this](const std::string& name, const std::optional<Image>& icon) {
            if (context().settings.boolean("sweep.quitChips")) context().notch.showChip(NotchStates::appQuitChip(icon, name));
        });
        // A count that could not be read may mean the permission went: the system is asked again.
        m_sweep->onAccessibilityFailure = m_weak.bind([this] {
            context().permission.apply(context().platform.permissions.isAccessibilityTrusted());
        });
    }
    return *m_sweep;
}

TARNLET_REGISTER_TOOL(SettingsPane::sweep, SweepTool)

}  // namespace tarnlet
