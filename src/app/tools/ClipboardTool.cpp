#include "app/tools/ClipboardTool.h"

#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "keys/LeaderWatcher.h"

namespace tarnlet {

ClipboardFeature& ClipboardTool::clipboard() {
    if (!m_clipboard) {
        auto& c = context();
        auto& p = c.platform;
        m_clipboard = std::make_unique<ClipboardFeature>(
            c.settings, c.modifiers,
            ClipboardFeature::Services{p.eventTaps, p.pasteboard, p.permissions, p.workspace, p.mouse, p.panels,
                                       p.screens, p.textMeasurer, p.mainQueue, c.appFiles.root()});
        m_clipboard->setAppearance(c.darkAppearance ? ListMenu::Appearance::dark : ListMenu::Appearance::light);
    }
    return *m_clipboard;
}

void ClipboardTool::runFeatureKey(FeatureChords::Key) {
    context().leaderKeys.dismissHint();
    clipboard().showPicker();
}

TARNLET_REGISTER_TOOL(SettingsPane::clipboard, ClipboardTool)

}  // namespace tarnlet
