#include "wellbeing/AwakeFeature.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <nlohmann/json.hpp>

#include "diagnostics/Log.h"
#include "platform/Haptics.h"
#include "platform/Screens.h"
#include "platform/Volumes.h"
#include "platform/Workspace.h"
#include "settings/Settings.h"

namespace tarnlet {

namespace {

constexpr const char* kEnabledKey = "awake.isEnabled";

}  // namespace

AwakeFeature::AwakeFeature(Settings& settings, BatteryMonitor& battery, Services services)
    : m_settings(settings),
      m_battery(battery),
      m_queue(services.queue),
      m_workspace(services.workspace),
      m_screens(services.screens),
      m_volumes(services.volumes),
      m_haptics(services.haptics),
      m_words(std::move(services.words)),
      m_assertion(services.powerAssertions) {}

AwakeFeature::~AwakeFeature() {
    // The trigger observers outlive sessions, so they go here rather than in deactivate(); the
    // battery subscription ends with its member.
    m_triggerTokens.clear();
    m_screenToken.reset();
    m_expiry.cancel();
}

bool AwakeFeature::isEnabled() const { return m_settings.boolean(kEnabledKey); }

int AwakeFeature::wantedMinutes() const {
    if (m_forceIndefinite) return 0;
    // A negative duration means no limit; an absurd one is capped rather than overflowing.
    return static_cast<int>(std::clamp(m_settings.integer("awake.durationMinutes"), 0LL, static_cast<long long>(INT_MAX)));
}

SleepAssertion::Kind AwakeFeature::wantedKind() const {
    return m_settings.boolean("awake.allowDisplaySleep") ? SleepAssertion::Kind::allowDisplaySleep
                                                         : SleepAssertion::Kind::keepDisplayOn;
}

void AwakeFeature::activate() {
    if (!m_isActive) {
        start(wantedMinutes());
        return;
    }
    // A session on its way out keeps its state until the switch is off; re-arming its timer or
    // battery watch now would only end it a second time.
    if (m_isEnding) return;

    // A failed switch of kind is logged and keeps the assertion already held: the session goes on.
    m_assertion.acquire(wantedKind(), assertionReason());
    applyBatteryMonitor();
    if (m_isEnding) return;
    const int minutes = wantedMinutes();
    if (minutes != m_sessionMinutes) {
        scheduleExpiry(minutes);
        if (onSessionChange) onSessionChange(true, m_sessionMinutes);
    }
}

void AwakeFeature::start(int minutes) {
    if (!m_assertion.acquire(wantedKind(), assertionReason())) {
        Log::error("Awake: power assertion unavailable; session not started");
        // No session ran, so what was meant for this one must not carry over to the next.
        m_triggerStarted = false;
        m_forceIndefinite = false;
        m_queue.post(m_weak.bind([this] {
            // A later attempt may have succeeded in the meantime; its switch stays on.
            if (!m_isActive) m_settings.set(kEnabledKey, false);
        }));
        return;
    }

    ++m_sessionNumber;
    m_isActive = true;
    m_isEnding = false;
    const auto state = m_battery.currentState();
    // A session the user starts on an already low battery is not ended at once.
    m_batteryOverride = m_settings.boolean("awake.endOnLowBattery") && state && state->isOnBattery &&
                        state->percent <= kLowBatteryPercent;
    applyBatteryMonitor();
    scheduleExpiry(minutes);
    m_haptics.performGeneric();
    if (onSessionChange) onSessionChange(true, minutes);
    Log::debug([&] {
        return "Awake session started (" + (minutes > 0 ? std::to_string(minutes) + "m" : std::string("indefinite")) + ")";
    });
}

void AwakeFeature::deactivate() {
    if (!m_isActive) return;
    m_isActive = false;
    m_isEnding = false;
    m_triggerStarted = false;
    m_forceIndefinite = false;
    m_batteryOverride = false;
    m_expiry.cancel();
    m_endsAt.reset();
    m_sessionMinutes = 0;
    m_batterySubscription.cancel();
    m_assertion.release();
    m_haptics.performGeneric();
    if (onSessionChange) onSessionChange(false, 0);
    Log::debug("Awake session ended");
}

void AwakeFeature::toggleQuick() {
    if (!isEnabled()) {
        // A quick session has no time limit, whatever the duration setting says.
        m_forceIndefinite = true;
        m_settings.set(kEnabledKey, true);
    } else {
        m_settings.set(kEnabledKey, false);
    }
}

void AwakeFeature::scheduleExpiry(int minutes) {
    m_expiry.cancel();
    m_sessionMinutes = minutes;
    if (minutes < 1) {
        m_endsAt.reset();
        return;
    }
    const double deadline = m_queue.wallNow() + static_cast<double>(minutes) * 60;
    m_endsAt = deadline;
    if (m_isEnding) return;
    // Due at a wall-clock time: the time the computer spends asleep counts toward the session.
    m_expiry = m_queue.postAtWallTime(deadline, m_weak.bind([this] { expire(); }));
}

void AwakeFeature::expire() {
    if (!m_isActive || m_isEnding) return;
    endSession("The timed session finished; the " + m_words.computer + " may sleep now.");
}

void AwakeFeature::applyBatteryMonitor() {
    if (!m_settings.boolean("awake.endOnLowBattery")) {
        m_batterySubscription.cancel();
        return;
    }
    m_batterySubscription = m_battery.subscribe(m_weak.bind([this](BatteryMonitor::State state) { handleBattery(state); }));
    if (const auto state = m_battery.currentState()) handleBattery(*state);
}

void AwakeFeature::handleBattery(BatteryMonitor::State state) {
    if (!m_isActive || m_isEnding) return;
    if (state.percent > kLowBatteryPercent) m_batteryOverride = false;
    if (!m_settings.boolean("awake.endOnLowBattery") || m_batteryOverride || !state.isOnBattery ||
        state.percent > kLowBatteryPercent)
        return;
    const std::string percent = std::to_string(state.percent);
    Log::info("Awake: ending session, battery at " + percent + "%");
    endSession("Battery at " + percent + "% — the session was ended to save power.");
}

void AwakeFeature::endSession(const std::optional<std::string>& noticeBody) {
    if (m_isActive) {
        // Nothing of this session may fire again before the switch is off: no second notice from
        // the next battery reading, no expiry.
        m_isEnding = true;
        m_expiry.cancel();
        m_batterySubscription.cancel();
    }
    if (noticeBody && onNotice) onNotice(kNoticeIdentifier, kNoticeTitle, *noticeBody);
    const std::uint64_t session = m_sessionNumber;
    m_queue.post(m_weak.bind([this, session] {
        // A session started since then is not this one's to end.
        if (session != m_sessionNumber) return;
        m_settings.set(kEnabledKey, false);
        // Writing false normally makes the core deactivate the feature. When the switch was off
        // already nothing is told, and the session must not hold its assertion on regardless.
        if (m_isActive && session == m_sessionNumber && !isEnabled()) deactivate();
    }));
}

void AwakeFeature::startByTrigger() {
    m_queue.post(m_weak.bind([this] {
        // The condition is checked again: the switch may have been turned on, or the trigger may
        // have gone, since the request was made.
        if (isEnabled() || !activeTriggerReason()) return;
        m_triggerStarted = true;
        m_forceIndefinite = true;
        m_settings.set(kEnabledKey, true);
    }));
}

void AwakeFeature::triggerEndIfDone() {
    if (!m_triggerStarted || !isEnabled() || activeTriggerReason()) return;
    m_triggerStarted = false;
    endSession(std::nullopt);
}

void AwakeFeature::applyTriggers() {
    const bool onDisplay = m_settings.boolean("awake.onExternalDisplay");
    const bool onDrive = m_settings.boolean("awake.onDriveMounted");
    const std::set<std::string> apps = m_settings.awakeTriggerApps();

    const bool configChanged =
        apps != m_lastTriggerApps || onDisplay != m_lastDisplayTrigger || onDrive != m_lastDriveTrigger;
    const bool newAppTrigger = std::any_of(apps.begin(), apps.end(),
                                           [&](const std::string& app) { return !m_lastTriggerApps.count(app); });
    const bool newlyEnabled = newAppTrigger || (onDisplay && !m_lastDisplayTrigger) || (onDrive && !m_lastDriveTrigger);
    if (newlyEnabled && !isEnabled() && activeTriggerReason()) startByTrigger();

    triggerEndIfDone();
    if (configChanged) reinstallObservers(apps, onDisplay, onDrive);

    m_lastTriggerApps = apps;
    m_lastDisplayTrigger = onDisplay;
    m_lastDriveTrigger = onDrive;
}

void AwakeFeature::reinstallObservers(const std::set<std::string>& apps, bool onDisplay, bool onDrive) {
    m_triggerTokens.clear();
    m_screenToken.reset();
    // With no trigger switched on, nothing is observed at all.
    if (!apps.empty()) {
        m_triggerTokens.push_back(m_workspace.observeApplications(
            m_weak.bind([this](WorkspaceEvent event, const RunningApplication& app) { applicationEvent(event, app); })));
    }
    if (onDrive) {
        m_triggerTokens.push_back(
            m_volumes.observe(m_weak.bind([this](VolumeEvent, const Volume&) { triggerConditionChanged(); })));
    }
    if (onDisplay) m_screenToken = m_screens.observeChanges(m_weak.bind([this] { triggerConditionChanged(); }));
}

void AwakeFeature::applicationEvent(WorkspaceEvent event, const RunningApplication& app) {
    if (event != WorkspaceEvent::launched && event != WorkspaceEvent::terminated) return;
    if (!app.bundleIdentifier || !m_settings.awakeTriggerApps().count(*app.bundleIdentifier)) return;
    if (event == WorkspaceEvent::launched) {
        if (!isEnabled()) startByTrigger();
    } else {
        triggerEndIfDone();
    }
}

void AwakeFeature::triggerConditionChanged() {
    if (activeTriggerReason()) {
        if (!isEnabled()) startByTrigger();
    } else {
        triggerEndIfDone();
    }
}

std::optional<std::string> AwakeFeature::activeTriggerReason() const {
    const std::set<std::string> apps = m_settings.awakeTriggerApps();
    if (!apps.empty()) {
        for (const RunningApplication& app : m_workspace.runningApplications()) {
            if (app.isTerminated || !app.bundleIdentifier || !apps.count(*app.bundleIdentifier)) continue;
            const std::string name =
                app.localizedName && !app.localizedName->empty() ? *app.localizedName : std::string("an app");
            return name + " is running";
        }
    }
    if (m_settings.boolean("awake.onExternalDisplay")) {
        const auto screens = m_screens.screens();
        if (std::any_of(screens.begin(), screens.end(), [](const Screen& screen) { return !screen.isBuiltin; }))
            return "an external display is connected";
    }
    if (m_settings.boolean("awake.onDriveMounted")) {
        const auto volumes = m_volumes.mountedVolumes();
        // A volume that cannot tell whether it is internal does not count as an external drive.
        if (std::any_of(volumes.begin(), volumes.end(),
                        [](const Volume& volume) { return !volume.isHidden && volume.isInternal == false; }))
            return "an external drive is mounted";
    }
    return std::nullopt;
}

}  // namespace tarnlet
