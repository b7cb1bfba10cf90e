#include "notch/NotchFeature.h"

#include "notch/NotchBarView.h"
#include "notch/NotchGeometry.h"
#include "notch/NotchStage.h"
#include "notch/NotchStates.h"
#include "settings/Settings.h"

namespace tarnlet {

NotchFeature::NotchFeature(Settings& settings, BatteryMonitor& battery, NotchStage& stage, Panels& panels, Screens& screens,
                           TextMeasurer& measurer, MainQueue& queue)
    : m_settings(settings), m_battery(battery), m_stage(stage), m_surface(panels, screens),
      m_controller(m_surface, measurer, queue), m_queue(queue) {
    m_controller.onSource = m_weak.bind([this](NotchSource source, bool wants) {
        if (wants) m_stage.claim(source);
        else m_stage.release(source);
    });
    m_controller.canPresent = [token = m_weak.token(), this] { return token.isAlive() && !m_stage.hasTakeover(); };
    m_controller.physicalNotch = [token = m_weak.token(), this] { return token.isAlive() && m_surface.hasPhysicalNotch(); };
    // A takeover (the expanded shelf, a restart prompt) clears the notch of every bar; a higher
    // source merely covers it.
    for (NotchSource source : {NotchSource::chip, NotchSource::liveChip, NotchSource::hints})
        m_stage.setHandler(source, m_weak.bind([this](bool visible) {
            if (!visible && m_stage.hasTakeover()) m_controller.teardown();
        }));
}

NotchFeature::~NotchFeature() {
    for (NotchSource source : {NotchSource::chip, NotchSource::liveChip, NotchSource::hints}) m_stage.setHandler(source, nullptr);
}

void NotchFeature::activate() {
    m_isActive = true;
    if (!m_geometryToken.isActive())
        m_geometryToken = NotchGeometry::observeChanges(m_weak.bind([this] { geometryChanged(); }));
    if (m_settings.boolean("notch.batteryChips")) {
        if (!m_lastBatteryState) m_lastBatteryState = m_battery.currentState();
        m_batterySubscription = m_battery.subscribe(m_weak.bind([this](BatteryMonitor::State state) { handleBattery(state); }));
    } else {
        m_batterySubscription.cancel();
        m_lastBatteryState.reset();
    }
}

void NotchFeature::deactivate() {
    if (!m_isActive) return;
    m_isActive = false;
    m_hintAutoHide.cancel();
    m_geometryToken.cancel();
    m_batterySubscription.cancel();
    m_lastBatteryState.reset();
    m_controller.teardown();
}

void NotchFeature::geometryChanged() { m_controller.teardown(); }

bool NotchFeature::showSpaceChip(int number) {
    if (!m_isActive || !m_settings.boolean("notch.spaceNumber") || !m_surface.notchRect()) return false;
    // A chip deferred behind the hint strip or refused under a takeover is not shown, and callers
    // then show the number their own way.
    return m_controller.showChip(NotchStates::spaceChip(number), kSpaceChipDuration, true);
}

void NotchFeature::showLeaderHints(const std::vector<NotchBarItem>& items, std::optional<std::string> caption,
                                   std::optional<double> autoHideAfter) {
    if (!m_isActive || items.empty()) return;
    const bool featureStrip = caption && *caption == "features";
    if (!m_settings.boolean(featureStrip ? "notch.featureHints" : "notch.leaderHints")) return;
    // The strip shows at most "notch.maxHintItems" items.
    const auto limit = static_cast<std::size_t>(m_settings.notchMaxHintItems());
    std::vector<NotchBarItem> shown(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(std::min(limit, items.size())));
    m_controller.showHints(NotchStates::leaderHints(shown, std::move(caption)), true);
    if (autoHideAfter) {
        m_hintAutoHide = m_queue.postAfter(*autoHideAfter, m_weak.bind([this] { m_controller.dropHints(true, false); }));
    }
}

void NotchFeature::dropLeaderHints() {
    m_hintAutoHide.cancel();
    m_controller.dropHints(true, false);
}

bool NotchFeature::showSnapHints(std::vector<NotchBarItem> first, std::vector<NotchBarItem> second) {
    if (!m_isActive || !m_settings.boolean("notch.snapHints") || !m_settings.boolean("snap.keyboardShortcuts"))
        return false;
    m_controller.showHints(NotchStates::snapHints(std::move(first), std::move(second)), true);
    return m_controller.hintBar() != nullptr;
}

bool NotchFeature::showSnapUnsupported() {
    if (!m_isActive || !m_settings.boolean("notch.snapHints")) return false;
    m_controller.showHints(NotchStates::snapUnsupported(), true);
    return m_controller.hintBar() != nullptr;
}

void NotchFeature::showChip(const NotchContent& content, double duration) {
    if (!m_isActive) return;
    m_controller.showChip(content, duration, true);
}

void NotchFeature::showLiveChip(const NotchContent& content) {
    if (!m_isActive) return;
    m_controller.showLiveChip(content);
}

void NotchFeature::dismissLiveChip() { m_controller.dismissLiveChip(); }

void NotchFeature::pulse(const std::string& key) {
    if (auto bar = m_controller.hintBar()) bar->pulse(key);
}

void NotchFeature::setHintCaption(const std::string& caption) {
    if (!m_isActive) return;
    if (auto bar = m_controller.hintBar()) bar->setCaption(caption);
}

void NotchFeature::showDeviceChip(std::optional<Image> icon, const std::string& name, std::optional<int> percent,
                                  bool connected) {
    if (!m_isActive || !m_settings.boolean("notch.deviceChips")) return;
    NotchContent content;
    NotchBarItem left;
    left.icon = std::move(icon);
    left.dimmed = !connected;
    content.left = {left};
    if (!connected) {
        NotchBarItem off;
        off.text = "Off";
        off.value = true;
        off.dimmed = true;
        content.right = {off};
    } else if (percent) {
        NotchBarItem level;
        level.text = std::to_string(*percent) + "%";
        level.value = true;
        content.right = {level};
    }
    content.caption = name;
    m_controller.showChip(content, kChipDuration, true);
}

void NotchFeature::handleBattery(const BatteryMonitor::State& state) {
    const auto previous = m_lastBatteryState;
    m_lastBatteryState = state;
    if (!previous) return;
    const bool chips = m_isActive && m_settings.boolean("notch.batteryChips");
    if (previous->isOnBattery == state.isOnBattery) {
        bool crossed = false;
        for (int threshold : NotchStates::kBatteryChipThresholds)
            crossed = crossed || (previous->percent > threshold && state.percent <= threshold);
        if (crossed && chips) m_controller.showChip(NotchStates::lowBatteryChip(state.percent), kChipDuration, true);
    } else if (chips) {
        m_controller.showChip(NotchStates::batteryChip(!state.isOnBattery, state.percent), kChipDuration, true);
    }
}

}  // namespace tarnlet
