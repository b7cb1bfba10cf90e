#pragma once
// Snippets' wiring: the right-hand Command chord's colon opens the picker while Snippets runs, its
// key is hinted at the end of the Command strip, a snippet that could only be copied shows its
// chip; and the General pane's backup, which carries the snippets with the settings.

#include <memory>

#include "app/BackupOperations.h"
#include "app/tools/Tool.h"
#include "base/WeakToken.h"
#include "clipboard/SnippetsFeature.h"

namespace tarnlet {

class SnippetsTool : public Tool {
public:
    explicit SnippetsTool(ToolContext& context);
    Feature& feature() override { return snippets(); }
    std::vector<NotchBarItem> commandStripHints() override;
    SnippetsFeature& snippets();
    BackupOperations& backup();

private:
    bool isRunning() const { return m_snippets && m_snippets->isActive(); }

    std::unique_ptr<SnippetsFeature> m_snippets;
    std::unique_ptr<BackupOperations> m_backup;
    WeakFactory m_weak;
};

}  // namespace tarnlet
