// Keep-awake sessions: the power assertion, the session's timer on the wall clock, the low-battery
// end and the triggers that start and end sessions by themselves.

#include "wellbeing/AwakeFeature.h"

#include <memory>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using Kind = SleepAssertion::Kind;
using Strings = std::vector<std::string>;
const std::string kDisplay = "PreventUserIdleDisplaySleep";
const std::string kSystem = "PreventUserIdleSystemSleep";

struct Change {
    bool active;
    int minutes;
    friend bool operator==(const Change&, const Change&) = default;
};
using Changes = std::vector<Change>;

class AwakeFeatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_logFolder = FileLog::directory();
        FileLog::setDirectory(env.home() / "Logs");
        Log::setSystemLog(&desktop.systemLog());
        Log::setDebugEnabled(true);
        // The application core's reconcile, after every settings change and every wake.
        m_observer = settings.addObserver([this] { reconcile(); });
        m_wake = desktop.workspace().observeDidWake([this] { reconcile(); });
        attach(awake);
    }
    void TearDown() override {
        detachReconcile();
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
        FileLog::setDirectory(m_logFolder);
    }
    void detachReconcile() {
        if (m_observer) settings.removeObserver(*m_observer);
        m_observer.reset();
        m_wake.cancel();
    }
    void reconcile() {
        if (settings.boolean("awake.isEnabled")) awake.activate();
        else awake.deactivate();
        awake.applyTriggers();
    }
    void attach(AwakeFeature& feature) {
        feature.onSessionChange = [this](bool active, int minutes) { changes.push_back({active, minutes}); };
        feature.onNotice = [this](const std::string& identifier, const std::string& title, const std::string& body) {
            EXPECT_EQ(identifier + " / " + title, "awake-ended / Keep-awake session ended");
            notices.push_back(body);
        };
    }
    // A write from the settings window, then the queue's next turns.
    void set(const std::string& key, const Value& value) {
        settings.set(key, value);
        desktop.runUntilIdle();
    }
    void setTriggerApps(const std::set<std::string>& apps) {
        settings.setAwakeTriggerApps(apps);
        desktop.runUntilIdle();
    }
    bool enabled() const { return settings.boolean("awake.isEnabled"); }
    Strings held() const {
        Strings types;
        for (const auto& assertion : desktop.powerAssertions().ownAssertions()) types.push_back(assertion.type);
        return types;
    }
    bool logged(const std::string& text, bool error = false, bool info = false) const {
        for (const auto& line : desktop.systemLog().lines())
            if (line.text == text && line.error == error && line.info == info) return true;
        return false;
    }
    void battery(int percent, bool onBattery) {
        desktop.powerSources().setBattery(percent, onBattery);
        desktop.runUntilIdle();
    }
    int launch(const std::string& bundleID, const std::string& name) {
        const int pid = desktop.applications().launch(bundleID, name);
        desktop.runUntilIdle();
        return pid;
    }
    void quit(int pid) {
        desktop.applications().quit(pid);
        desktop.runUntilIdle();
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    BatteryMonitor monitor{desktop.powerSources()};
    AwakeFeature::Services services{desktop.queue(),   desktop.workspace(),       desktop.screens(),
                                    desktop.volumes(), desktop.powerAssertions(), desktop.haptics(),
                                    desktop.systemFacts().words()};
    AwakeFeature awake{settings, monitor, services};
    Changes changes;
    Strings notices;

private:
    std::filesystem::path m_logFolder;
    std::optional<Uuid> m_observer;
    Subscription m_wake;
};

// The assertion wrapper, in the same simulated world.
class SleepAssertionTest : public AwakeFeatureTest {};

TEST_F(SleepAssertionTest, SwitchesKindWithoutAGapAndKeepsItsAssertionOnFailure) {
    auto& power = desktop.powerAssertions();
    {
        SleepAssertion assertion(power);
        power.setCreationFailure(-536870199);
        EXPECT_FALSE(assertion.acquire(Kind::keepDisplayOn, "reason"));
        EXPECT_EQ(assertion.kind(), std::nullopt);
        EXPECT_TRUE(logged("Awake: power assertion failed (-536870199)", true));

        power.setCreationFailure(0);
        ASSERT_TRUE(assertion.acquire(Kind::keepDisplayOn, "reason"));
        const PowerAssertionID first = assertion.id();
        ASSERT_TRUE(assertion.acquire(Kind::keepDisplayOn, "reason"));
        EXPECT_EQ(assertion.id(), first);
        ASSERT_TRUE(assertion.acquire(Kind::allowDisplaySleep, "reason"));
        EXPECT_NE(assertion.id(), first);
        EXPECT_EQ(power.history(), (Strings{"create " + kDisplay, "create " + kSystem, "release " + kDisplay}));
        EXPECT_EQ(power.ownAssertions().at(0).reason, "reason");

        power.setCreationFailure(3);
        EXPECT_FALSE(assertion.acquire(Kind::keepDisplayOn, "reason"));
        EXPECT_EQ(assertion.kind(), Kind::allowDisplaySleep);
        EXPECT_EQ(held(), Strings{kSystem});
        assertion.release();
        assertion.release();
        EXPECT_EQ(assertion.id(), 0u);
        EXPECT_TRUE(held().empty());
        power.setCreationFailure(0);
        ASSERT_TRUE(assertion.acquire(Kind::keepDisplayOn, "reason"));
    }
    EXPECT_TRUE(held().empty());  // released when it goes
}

TEST_F(AwakeFeatureTest, TheSwitchRunsTheSessionAndTheDisplaySettingSwitchesItsAssertion) {
    set("awake.isEnabled", true);
    EXPECT_TRUE(awake.isActive());
    EXPECT_EQ(held(), Strings{kDisplay});
    EXPECT_EQ(awake.endsAt(), std::nullopt);
    EXPECT_EQ(monitor.subscriberCount(), 1u);
    EXPECT_TRUE(logged("Awake session started (indefinite)"));

    set("awake.allowDisplaySleep", true);
    EXPECT_EQ(desktop.powerAssertions().history(),
              (Strings{"create " + kDisplay, "create " + kSystem, "release " + kDisplay}));
    // A refused switch keeps the session on the assertion it has.
    desktop.powerAssertions().setCreationFailure(7);
    set("awake.allowDisplaySleep", false);
    EXPECT_EQ(held(), Strings{kSystem});
    EXPECT_TRUE(enabled());
    EXPECT_EQ(changes, (Changes{{true, 0}}));

    set("awake.isEnabled", false);
    EXPECT_FALSE(awake.isActive());
    EXPECT_TRUE(held().empty());
    EXPECT_EQ(monitor.subscriberCount(), 0u);
    EXPECT_EQ(desktop.haptics().count(), 2);
    EXPECT_EQ(changes, (Changes{{true, 0}, {false, 0}}));
    EXPECT_TRUE(logged("Awake session ended"));
    EXPECT_TRUE(notices.empty());
}

TEST_F(AwakeFeatureTest, AnUnavailableAssertionTurnsTheSwitchBackOffOnALaterTurn) {
    desktop.powerAssertions().setCreationFailure(-536870201);
    settings.set("awake.durationMinutes", 25);
    awake.toggleQuick();
    EXPECT_FALSE(awake.isActive());
    EXPECT_TRUE(enabled());  // never written back inside the change that caused it
    desktop.runUntilIdle();
    EXPECT_FALSE(enabled());
    EXPECT_TRUE(logged("Awake: power assertion unavailable; session not started", true));
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(desktop.haptics().count(), 0);
    // The failed quick session's lack of a limit does not pass on to the next session.
    EXPECT_FALSE(awake.forceIndefinite());
    desktop.powerAssertions().setCreationFailure(0);
    set("awake.isEnabled", true);
    EXPECT_EQ(awake.sessionMinutes(), 25);
}

TEST_F(AwakeFeatureTest, ATimedSessionCountsSleepAndFollowsDurationChangesFromNow) {
    set("awake.durationMinutes", 45);
    const double started = desktop.queue().wallNow();
    set("awake.isEnabled", true);
    EXPECT_EQ(awake.endsAt(), started + 45 * 60);
    EXPECT_TRUE(logged("Awake session started (45m)"));

    desktop.sleepFor(30 * 60);  // the wake's reconcile leaves the end where it was
    desktop.advanceBy(15 * 60 - 1);
    EXPECT_TRUE(awake.isActive());
    desktop.advanceBy(1);
    EXPECT_EQ(notices, Strings{"The timed session finished; the Mac may sleep now."});
    EXPECT_FALSE(enabled());
    EXPECT_FALSE(awake.isActive());
    EXPECT_EQ(awake.endsAt(), std::nullopt);
    EXPECT_EQ(changes, (Changes{{true, 45}, {false, 0}}));

    // A change of duration counts from now and is announced; no limit means no end.
    set("awake.durationMinutes", 0);
    set("awake.isEnabled", true);
    desktop.advanceBy(10 * 60);
    set("awake.durationMinutes", 20);
    EXPECT_EQ(changes.back(), (Change{true, 20}));
    EXPECT_EQ(awake.endsAt(), desktop.queue().wallNow() + 20 * 60);
    set("awake.durationMinutes", 0);
    desktop.advanceBy(60 * 60);
    EXPECT_TRUE(awake.isActive());
    set("awake.durationMinutes", 2);
    desktop.advanceBy(2 * 60);
    EXPECT_FALSE(awake.isActive());

    // A session switched off early leaves no timer behind.
    set("awake.isEnabled", true);
    set("awake.isEnabled", false);
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);
}

TEST_F(AwakeFeatureTest, AQuickSessionHasNoLimitForThatSessionOnly) {
    set("awake.durationMinutes", 30);
    awake.toggleQuick();
    EXPECT_TRUE(awake.isActive());
    EXPECT_EQ(awake.endsAt(), std::nullopt);
    set("awake.durationMinutes", 5);
    EXPECT_EQ(awake.endsAt(), std::nullopt);
    EXPECT_EQ(changes, (Changes{{true, 0}}));
    awake.toggleQuick();
    EXPECT_FALSE(enabled());
    EXPECT_FALSE(awake.forceIndefinite());
    set("awake.isEnabled", true);
    EXPECT_EQ(awake.sessionMinutes(), 5);
}

TEST_F(AwakeFeatureTest, ALowBatteryOnBatteryPowerEndsTheSessionUnlessItStartedThere) {
    battery(8, true);
    set("awake.isEnabled", true);
    EXPECT_TRUE(awake.batteryOverride());
    battery(10, true);
    battery(11, true);
    EXPECT_TRUE(awake.isActive());
    battery(10, true);
    EXPECT_FALSE(awake.isActive());
    EXPECT_FALSE(enabled());
    EXPECT_EQ(notices, Strings{"Battery at 10% — the session was ended to save power."});
    EXPECT_TRUE(logged("Awake: ending session, battery at 10%", false, true));
    EXPECT_EQ(monitor.subscriberCount(), 0u);

    // Started at 12 %: one notice, however many readings arrive before the switch is off.
    battery(12, true);
    set("awake.isEnabled", true);
    desktop.powerSources().setPercent(10);
    desktop.powerSources().setPercent(9);
    desktop.runUntilIdle();
    EXPECT_FALSE(awake.isActive());
    ASSERT_EQ(notices.size(), 2u);

    // On the adapter at 5 % the session runs; unplugged there, it ends.
    battery(5, false);
    set("awake.isEnabled", true);
    battery(4, false);
    EXPECT_TRUE(awake.isActive());
    battery(4, true);
    EXPECT_EQ(notices.back(), "Battery at 4% — the session was ended to save power.");

    // No battery, or the end switched off: nothing ends the session.
    desktop.powerSources().removeBattery();
    set("awake.isEnabled", true);
    desktop.powerSources().setSources({});
    desktop.runUntilIdle();
    set("awake.endOnLowBattery", false);
    EXPECT_EQ(monitor.subscriberCount(), 0u);
    battery(2, true);
    EXPECT_TRUE(awake.isActive());
    EXPECT_EQ(notices.size(), 3u);
}

TEST_F(AwakeFeatureTest, AnApplicationTriggerStartsAnUnlimitedSessionAndOnlyEndsItsOwn) {
    set("awake.durationMinutes", 30);
    const int player = launch("com.example.player", "Player");
    setTriggerApps({"com.example.player"});  // already running: a session starts at once
    EXPECT_TRUE(awake.isActive());
    EXPECT_TRUE(awake.triggerStarted());
    EXPECT_EQ(awake.sessionMinutes(), 0);
    EXPECT_EQ(awake.activeTriggerReason(), "Player is running");
    quit(launch("com.example.other", "Other"));
    EXPECT_TRUE(awake.isActive());
    quit(player);
    EXPECT_FALSE(enabled());
    EXPECT_FALSE(awake.isActive());

    const int again = launch("com.example.player", "Player");
    EXPECT_TRUE(awake.triggerStarted());
    quit(again);
    EXPECT_FALSE(awake.isActive());
    EXPECT_TRUE(notices.empty());

    // A session the user started is not the trigger's to end.
    const int third = launch("com.example.daemon", "Daemon");
    set("awake.isEnabled", true);
    setTriggerApps({"com.example.player", "com.example.daemon"});
    EXPECT_FALSE(awake.triggerStarted());
    quit(third);
    EXPECT_TRUE(awake.isActive());
}

TEST_F(AwakeFeatureTest, ExternalDisplaysAndVisibleExternalDrivesAreTriggers) {
    const Screen panel = sim::SimScreens::laptopPanel(1512, 982, true);
    const Screen external = sim::SimScreens::externalDisplay(2560, 1440, 1512, 2);
    desktop.screens().setScreens({panel, external});
    desktop.runUntilIdle();
    EXPECT_FALSE(awake.isActive());  // not switched on yet
    set("awake.onExternalDisplay", true);
    EXPECT_TRUE(awake.isActive());
    EXPECT_EQ(awake.activeTriggerReason(), "an external display is connected");
    desktop.screens().setScreens({panel});
    desktop.runUntilIdle();
    EXPECT_FALSE(awake.isActive());
    desktop.screens().setScreens({panel, external});
    desktop.runUntilIdle();
    EXPECT_TRUE(awake.isActive());
    set("awake.onExternalDisplay", false);
    EXPECT_FALSE(awake.isActive());

    set("awake.onDriveMounted", true);
    desktop.volumes().mount("Recovery", false, true);
    desktop.volumes().mount("Data", true);
    desktop.runUntilIdle();
    EXPECT_FALSE(awake.isActive());
    desktop.volumes().mount("Backup");
    desktop.runUntilIdle();
    EXPECT_EQ(awake.activeTriggerReason(), "an external drive is mounted");
    EXPECT_TRUE(awake.isActive());
    desktop.volumes().unmount("Backup");
    desktop.runUntilIdle();
    EXPECT_FALSE(awake.isActive());
    EXPECT_EQ(desktop.haptics().count(), 6);

    // Precedence: applications first (a nameless one too), then displays, then drives.
    desktop.volumes().mount("Backup");
    desktop.screens().setScreens({panel, external});
    settings.set("awake.onExternalDisplay", true);
    desktop.runUntilIdle();
    EXPECT_EQ(awake.activeTriggerReason(), "an external display is connected");
    desktop.workspace().addRunningApplication(900, std::string("com.example.daemon"), std::nullopt);
    setTriggerApps({"com.example.daemon"});
    EXPECT_EQ(awake.activeTriggerReason(), "an app is running");
}

TEST_F(AwakeFeatureTest, ASessionLetsGoOfEverythingWhenItEndsOrItsFeatureGoes) {
    // Ending by itself while its switch is already off (nothing then tells the core), the session
    // still gives up its assertion and battery watch.
    settings.set("awake.durationMinutes", 1);
    awake.activate();
    desktop.advanceBy(60);
    EXPECT_FALSE(awake.isActive());
    EXPECT_TRUE(held().empty());
    EXPECT_EQ(monitor.subscriberCount(), 0u);

    detachReconcile();
    auto feature = std::make_unique<AwakeFeature>(settings, monitor, services);
    attach(*feature);
    settings.set("awake.onDriveMounted", true);
    settings.setAwakeTriggerApps({"com.example.player"});
    feature->activate();
    feature->applyTriggers();
    feature.reset();
    EXPECT_TRUE(held().empty());
    EXPECT_EQ(monitor.subscriberCount(), 0u);
    launch("com.example.player", "Player");
    desktop.volumes().mount("Backup");
    battery(3, true);
    desktop.advanceBy(10 * 60);
    EXPECT_EQ(changes, (Changes{{true, 1}, {false, 0}, {true, 1}}));
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);
}

}  // namespace
}  // namespace tarnlet
