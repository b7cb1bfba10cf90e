#include "app/tools/SnippetsTool.h"

#include "app/NotchPort.h"
#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "keys/LeaderWatcher.h"
#include "notch/NotchStates.h"

namespace tarnlet {

SnippetsTool::SnippetsTool(ToolContext& context) : Tool(context) {
    context.featureChords.isSnippetsLive = [token = m_weak.token(), this] { return token.isAlive() && isRunning(); };
    context.featureChords.onSnippetPicker = m_weak.bind([this] {
        this->context().leaderKeys.dismissHint();
        snippets().showPicker();
    });
}

SnippetsFeature& SnippetsTool::snippets() {
    if (!m_snippets) {
        auto& c = context();
        auto& p = c.platform;
        m_snippets = std::make_unique<SnippetsFeature>(
            c.settings, SnippetsFeature::Services{p.eventTaps, p.pasteboard, p.permissions, p.workspace, p.mouse,
                                                  p.panels, p.screens, p.textMeasurer, p.mainQueue, p.systemFacts,
                                                  c.appFiles.root()});
        m_snippets->setAppearance(c.darkAppearance ? ListMenu::Appearance::dark : ListMenu::Appearance::light);
        m_snippets->onCopiedWithoutPaste = m_weak.bind([this] { context().notch.showChip(NotchStates::snippetCopiedChip()); });
    }
    return *m_snippets;
}

std::vector<NotchBarItem> SnippetsTool::commandStripHints() {
    if (!isRunning()) return {};
    NotchBarItem item;
    item.icon = Image::symbol(std::string(SettingsPanes::icon(SettingsPane::snippets)),
                              SettingsPanes::title(SettingsPane::snippets));
    return {item};
}

BackupOperations& SnippetsTool::backup() {
    if (!m_backup) {
        auto& p = context().platform;
        m_backup = std::make_unique<BackupOperations>(context().settings, snippets().store(), p.folders, p.workspace);
    }
    return *m_backup;
}

TARNLET_REGISTER_TOOL(SettingsPane::snippets, SnippetsTool)

}  // namespace tarnlet
