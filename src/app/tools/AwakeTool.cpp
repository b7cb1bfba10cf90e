#include "app/tools/AwakeTool.h"

#include <nlohmann/json.hpp>

#include "app/NotchPort.h"
#include "app/Notifier.h"
#include "app/tools/ToolContext.h"
#include "app/tools/ToolRegistry.h"
#include "notch/NotchStates.h"
#include "settings/Settings.h"
#include "ui/StatusMenuController.h"

namespace tarnlet {

AwakeTool::AwakeTool(ToolContext& context) : Tool(context) {
    StatusMenuController& menu = context.statusMenu;
    Settings& settings = context.settings;
    menu.onToggleAwake = m_weak.bind([this] { awake().toggleQuick(); });
    menu.awakeSession = [token = m_weak.token(), this]() -> std::optional<StatusMenuController::AwakeSession> {
        if (!token.isAlive() || !m_awake || !m_awake->isActive()) return std::nullopt;
        return StatusMenuController::AwakeSession{m_awake->endsAt(), m_awake->activeTriggerReason()};
    };
    menu.awakeDuration = [token = m_weak.token(), &settings] {
        return token.isAlive() ? static_cast<int>(settings.integer("awake.durationMinutes")) : 0;
    };
    menu.setAwakeDuration = m_weak.bind([&settings](int minutes) { settings.set("awake.durationMinutes", minutes); });
    menu.allowsDisplaySleep = [token = m_weak.token(), &settings] {
        return token.isAlive() && settings.boolean("awake.allowDisplaySleep");
    };
    menu.setAllowsDisplaySleep = m_weak.bind([&settings](bool allows) { settings.set("awake.allowDisplaySleep", allows); });
}

AwakeFeature& AwakeTool::awake() {
    if (!m_awake) {
        auto& c = context();
        auto& p = c.platform;
        m_awake = std::make_unique<AwakeFeature>(
            c.settings, c.battery,
            AwakeFeature::Services{p.mainQueue, p.workspace, p.screens, p.volumes, p.powerAssertions, p.haptics,
                                  p.systemFacts.words()});
        m_awake->onSessionChange = m_weak.bind([this](bool active, int minutes) {
            context().notch.showChip(NotchStates::sessionChip(active, minutes));
        });
        m_awake->onNotice = m_weak.bind([this](const std::string& id, const std::string& title, const std::string& body) {
            context().notifier.postTransient(id, title, body, AwakeFeature::kNoticeLifetime);
        });
    }
    return *m_awake;
}

void AwakeTool::runFeatureKey(FeatureChords::Key) {
    awake().toggleQuick();
    context().notch.setHintCaption(context().settings.boolean("awake.isEnabled") ? "Awake: on" : "Awake: off");
}

TARNLET_REGISTER_TOOL(SettingsPane::awake, AwakeTool)

}  // namespace tarnlet
