#include "app/tools/SnapTool.h"

#include "app/NotchPort.h"
#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "windows/SnapShortcut.h"

namespace tarnlet {

SnapTool::SnapTool(ToolContext& context) : Tool(context) {}

SnapFeature& SnapTool::snap() {
    if (!m_snap) {
        auto& c = context();
        auto& p = c.platform;
        m_snap = std::make_unique<SnapFeature>(
            c.settings, c.modifiers, c.drags, c.hotKeys,
            SnapFeature::Services{{p.accessibility, p.workspace, p.screens}, p.mouse, p.panels, p.mainQueue});
        m_snap->onShortcut = m_weak.bind([this](SnapPosition position) {
            if (auto label = SnapShortcut::hintLabel(position)) context().notch.pulse(*label);
        });
        m_snap->onChordHold = m_weak.bind([this](bool supported) { chordHeld(supported); });
        // Snap also reports a release when it stops; only its own hints come down then, never a
        // leader's strip that happens to be up (the feature strip that switched Snap off).
        m_snap->onChordRelease = m_weak.bind([this] {
            if (!m_hintsShown) return;
            m_hintsShown = false;
            context().notch.dropLeaderHints();
        });
    }
    return *m_snap;
}

void SnapTool::chordHeld(bool supported) {
    if (!supported) {
        m_hintsShown = context().notch.showSnapUnsupported();
        return;
    }
    auto rows = SnapShortcut::hintItems();
    m_hintsShown = context().notch.showSnapHints(std::move(rows[0]), std::move(rows[1]));
}

TARNLET_REGISTER_TOOL(SettingsPane::snap, SnapTool)

}  // namespace tarnlet
