#pragma once
// Awake: keeps the computer from idle-sleeping for a session. A session is the feature being
// active, and "awake.isEnabled" is its switch: the core's reconcile calls activate() when the flag
// turns true and deactivate() when it turns false. Every way a session ends — its timer, a low
// battery, its trigger going away, a power assertion that cannot be had — ends in writing false to
// that flag, so the switch, the menu and the notch chip always agree.
//
// A session may run for "awake.durationMinutes" (0 = no limit, timed on the wall clock so that
// sleep counts), lets the display sleep when "awake.allowDisplaySleep" is on, and ends on a low
// battery when "awake.endOnLowBattery" is on. It also starts by itself, without a time limit, while
// a chosen application runs, an external display is connected or an external drive is mounted,
// and then ends when that condition goes away; a session the user started is never ended that way.
//
//     AwakeFeature awake(settings, battery, {queue, workspace, screens, volumes, power, haptics});
//     awake.onSessionChange = [](bool active, int minutes) { ... };  // the notch chip
//     awake.onNotice = [](auto& identifier, auto& title, auto& body) { ... };
//     awake.toggleQuick();                   // the leader key and the menu item
//     awake.applyTriggers();                 // on every reconcile
//
// Main thread only. Writes to the switch made from notification handlers and timers are posted
// to the main queue, so the reconcile they cause never runs inside the handler; delayed work holds
// the feature weakly.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/MainQueue.h"
#include "platform/SystemFacts.h"
#include "shared/BatteryMonitor.h"
#include "wellbeing/SleepAssertion.h"

namespace tarnlet {

class Haptics;
class PowerAssertions;
class Screens;
class Settings;
class Volumes;
class Workspace;
enum class WorkspaceEvent;
struct RunningApplication;

class AwakeFeature : public Feature {
public:
    // How long the core leaves the "awake-ended" notice up before withdrawing it.
    static constexpr double kNoticeLifetime = 30;
    static constexpr const char* kNoticeIdentifier = "awake-ended";
    static constexpr const char* kNoticeTitle = "Keep-awake session ended";
    // At or below this charge on battery power a session ends (unless it started there).
    static constexpr int kLowBatteryPercent = 10;

    struct Services {
        MainQueue& queue;
        Workspace& workspace;
        Screens& screens;
        Volumes& volumes;
        PowerAssertions& powerAssertions;
        Haptics& haptics;
        // Names the computer in the session's texts and its power assertion.
        DesktopWords words;
    };

    AwakeFeature(Settings& settings, BatteryMonitor& battery, Services services);
    ~AwakeFeature() override;
    AwakeFeature(const AwakeFeature&) = delete;
    AwakeFeature& operator=(const AwakeFeature&) = delete;

    // A session is running.
    bool isActive() const override { return m_isActive; }
    // Starts a session, or re-reads the settings of the running one: the display setting, the
    // battery watch and the duration (a changed duration counts again from now).
    void activate() override;
    // Ends the running session and releases its assertion, timer and battery watch.
    void deactivate() override;

    // Brings the trigger observers in line with the settings and starts or ends a trigger session
    // when a trigger was just switched on or went away. Called on every reconcile, session or not.
    void applyTriggers();
    void applySettings() override { applyTriggers(); }
    // The leader key and the menu item: a session without time limit, or the end of the session.
    void toggleQuick();

    // Why a trigger wants the computer awake right now ("Safari is running", "an external display
    // is connected", "an external drive is mounted"); none when no trigger applies.
    std::optional<std::string> activeTriggerReason() const;

    // The end of the running timed session in wall-clock seconds since 1970; none without a limit.
    std::optional<double> endsAt() const { return m_endsAt; }
    // The running session's duration in minutes; 0 for no limit.
    int sessionMinutes() const { return m_sessionMinutes; }
    bool triggerStarted() const { return m_triggerStarted; }
    bool forceIndefinite() const { return m_forceIndefinite; }
    bool batteryOverride() const { return m_batteryOverride; }
    const SleepAssertion& assertion() const { return m_assertion; }

    // A session started (true, its minutes; 0 for no limit), changed its duration, or ended
    // (false, 0).
    std::function<void(bool active, int minutes)> onSessionChange;
    // The "awake-ended" notice when a session ends by itself; the core posts it for
    // kNoticeLifetime seconds.
    std::function<void(const std::string& identifier, const std::string& title, const std::string& body)> onNotice;

private:
    void start(int minutes);
    void scheduleExpiry(int minutes);
    void expire();
    void applyBatteryMonitor();
    void handleBattery(BatteryMonitor::State state);
    // The session ends by itself: nothing of it fires again, the notice (if any) goes out and the
    // switch is turned off on a later turn of the main queue.
    void endSession(const std::optional<std::string>& noticeBody);
    // A trigger applies while the switch is off: the switch is turned on, on a later turn of the
    // main queue, for a trigger session without time limit.
    void startByTrigger();
    void triggerEndIfDone();
    void reinstallObservers(const std::set<std::string>& apps, bool onDisplay, bool onDrive);
    void applicationEvent(WorkspaceEvent event, const RunningApplication& app);
    void triggerConditionChanged();

    bool isEnabled() const;
    int wantedMinutes() const;
    SleepAssertion::Kind wantedKind() const;
    std::string assertionReason() const { return "Tarnlet is keeping this " + m_words.computer + " awake"; }

    Settings& m_settings;
    BatteryMonitor& m_battery;
    MainQueue& m_queue;
    Workspace& m_workspace;
    Screens& m_screens;
    Volumes& m_volumes;
    Haptics& m_haptics;
    DesktopWords m_words;
    SleepAssertion m_assertion;
    std::vector<Subscription> m_triggerTokens;
    std::optional<Subscription> m_screenToken;
    bool m_triggerStarted = false;
    bool m_forceIndefinite = false;
    std::set<std::string> m_lastTriggerApps;
    bool m_lastDisplayTrigger = false;
    bool m_lastDriveTrigger = false;
    WorkItem m_expiry;
    std::optional<double> m_endsAt;
    int m_sessionMinutes = 0;
    bool m_batteryOverride = false;
    bool m_isActive = false;
    // The session decided to end and its switch is about to be turned off.
    bool m_isEnding = false;
    // Counts sessions, so that an end decided for one session never ends the next one.
    std::uint64_t m_sessionNumber = 0;
    Subscription m_batterySubscription;
    WeakFactory m_weak;
};

}  // namespace tarnlet
