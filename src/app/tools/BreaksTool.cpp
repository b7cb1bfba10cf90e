#include "app/tools/BreaksTool.h"

#include <nlohmann/json.hpp>

#include "app/NotchPort.h"
#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "notch/NotchStates.h"
#include "platform/SystemFacts.h"
#include "settings/Settings.h"

namespace tarnlet {

BreaksFeature& BreaksTool::breaks() {
    if (!m_breaks) {
        auto& p = context().platform;
        m_breaks = std::make_unique<BreaksFeature>(
            context().settings, BreaksFeature::Services{p.mainQueue, p.workspace, p.inputIdle, p.powerAssertions,
                                                        p.screens, p.panels, p.eventTaps, p.mouse, p.textMeasurer,
                                                        p.systemFacts.processIdentifier()});
        m_breaks->onPreWarn = m_weak.bind([this] { context().notch.showChip(NotchStates::breakPreWarning()); });
        m_breaks->onCountdownTick = m_weak.bind([this](int second, bool eyeOpen) {
            context().notch.showLiveChip(NotchStates::breakCountdown(second, eyeOpen));
        });
        m_breaks->onCountdownEnd = m_weak.bind([this] { context().notch.dismissLiveChip(); });
        m_breaks->onOverlayVisible = m_weak.bind([this](bool visible) { m_breakScreenVisible = visible; });
        m_breaks->onBreakDone = m_weak.bind([this] { context().notch.showChip(NotchStates::breakDone()); });
    }
    return *m_breaks;
}

void BreaksTool::runFeatureKey(FeatureChords::Key) {
    Settings& settings = context().settings;
    const bool enabled = !settings.boolean("breaks.isEnabled");
    settings.set("breaks.isEnabled", enabled);
    context().notch.setHintCaption(enabled ? "Breaks: on" : "Breaks: off");
}

TARNLET_REGISTER_TOOL(SettingsPane::breaks, BreaksTool)

}  // namespace tarnlet
