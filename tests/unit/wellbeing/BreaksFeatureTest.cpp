#include "wellbeing/BreaksFeature.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "diagnostics/Log.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"
#include "wellbeing/BreakPolicy.h"

namespace tarnlet {
namespace {

using Decision = BreakPolicy::Decision;

// ---------------------------------------------------------------------------------------------
// The decision rule as a table.

BreakPolicy::Inputs activeUser() {
    BreakPolicy::Inputs in;
    in.smart = true;
    in.idle = 0.5;
    in.key = 60;
    in.breakSeconds = 20;
    return in;
}

TEST(BreakPolicyTest, FirstMatchingRuleDecides) {
    struct Row {
        const char* what;
        BreakPolicy::Inputs in;
        Decision expected;
    };
    std::vector<Row> rows;
    auto row = [&](const char* what, Decision expected, auto change) {
        BreakPolicy::Inputs in = activeUser();
        change(in);
        rows.push_back({what, in, expected});
    };
    row("active user", Decision::start, [](auto&) {});
    row("idle exactly the break length", Decision::creditNatural, [](auto& in) { in.idle = 20; });
    row("idle just short of the break", Decision::start, [](auto& in) { in.idle = 19.9; });
    row("idle beats every postponement", Decision::creditNatural, [](auto& in) {
        in.idle = 25, in.key = 0, in.busy = true, in.front = "com.example.player", in.excluded = {"com.example.player"};
    });
    row("idle means nothing without smart defer", Decision::start, [](auto& in) { in.smart = false, in.idle = 999; });
    row("excluded front app", Decision::postponeBusy,
        [](auto& in) { in.front = "com.example.player", in.excluded = {"com.example.player"}; });
    row("excluded front app without smart defer", Decision::postponeBusy, [](auto& in) {
        in.smart = false, in.front = "com.example.player", in.excluded = {"com.example.player"};
    });
    row("other front app", Decision::start,
        [](auto& in) { in.front = "com.example.editor", in.excluded = {"com.example.player"}; });
    row("no front app", Decision::start, [](auto& in) { in.excluded = {"com.example.player"}; });
    row("busy display", Decision::postponeBusy, [](auto& in) { in.busy = true; });
    row("busy outranks typing", Decision::postponeBusy, [](auto& in) { in.busy = true, in.key = 0; });
    row("busy ignored without smart defer", Decision::start, [](auto& in) { in.smart = false, in.busy = true; });
    row("typing", Decision::postponeTyping, [](auto& in) { in.key = 2.9; });
    row("typing three seconds ago is over", Decision::start, [](auto& in) { in.key = 3.0; });
    row("fifth typing postponement", Decision::postponeTyping, [](auto& in) { in.key = 0, in.typingDefers = 4; });
    row("typing postponed five times already", Decision::start, [](auto& in) { in.key = 0, in.typingDefers = 5; });
    row("typing ignored without smart defer", Decision::start, [](auto& in) { in.smart = false, in.key = 0; });
    for (const Row& r : rows) EXPECT_EQ(BreakPolicy::decide(r.in), r.expected) << r.what;
}

TEST(BreakPolicyTest, SummaryNamesEveryInput) {
    BreakPolicy::Inputs in = activeUser();
    in.idle = 1.4;
    in.key = 59.6;
    in.typingDefers = 2;
    EXPECT_EQ(BreakPolicy::summary(Decision::postponeTyping, in),
              "postponeTyping — smart on, idle 1s, key 60s, busy no, front —, excluded 0, defers 2");

    in = BreakPolicy::Inputs{};
    in.busy = true;
    in.front = "com.example.player";
    in.excluded = {"com.example.player", "com.example.slides"};
    EXPECT_EQ(BreakPolicy::summary(Decision::postponeBusy, in),
              "postponeBusy — smart off, idle 0s, key 0s, busy yes, front com.example.player, excluded 2, defers 0");

    EXPECT_STREQ(caseName(Decision::start), "start");
    EXPECT_STREQ(caseName(Decision::creditNatural), "creditNatural");

    // An absurd idle reading is written out in full, not cut short.
    in.idle = 1e300;
    const std::string line = BreakPolicy::summary(Decision::start, in);
    const std::size_t from = line.find("idle ") + 5, to = line.find("s, key 0s, busy yes");
    ASSERT_NE(to, std::string::npos);
    EXPECT_EQ(to - from, 301u);
    EXPECT_EQ(line.substr(from, 4), "1000");
}

TEST(BreakPolicyTest, OnlyOtherProcessesKeepingTheDisplayOnAreBusy) {
    using Map = std::map<int, std::vector<std::string>>;
    const int self = 400;
    EXPECT_FALSE(BreakPolicy::displayHeldByOthers(std::nullopt, self));
    EXPECT_FALSE(BreakPolicy::displayHeldByOthers(Map{}, self));
    EXPECT_FALSE(BreakPolicy::displayHeldByOthers(Map{{self, {"NoDisplaySleepAssertion"}}}, self));
    EXPECT_FALSE(BreakPolicy::displayHeldByOthers(Map{{77, {"PreventUserIdleSystemSleep", "BackgroundTask"}}}, self));
    EXPECT_TRUE(BreakPolicy::displayHeldByOthers(Map{{77, {"BackgroundTask", "NoDisplaySleepAssertion"}}}, self));
    EXPECT_TRUE(BreakPolicy::displayHeldByOthers(
        Map{{self, {"PreventUserIdleDisplaySleep"}}, {78, {"PreventUserIdleDisplaySleep"}}}, self));
}

// ---------------------------------------------------------------------------------------------
// The scheduler on the simulated desktop.

constexpr int kSelfPID = sim::SimSystemFacts::kProcessIdentifier;
constexpr double kWall = sim::SimDesktop::kDefaultWallStart;

struct Tick {
    double at;
    int seconds;
    bool eyeOpen;
    bool operator==(const Tick&) const = default;
};

class BreaksFeatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The user is at the computer, moving the mouse about, and last typed an hour ago.
        desktop.inputIdle().setIdleFor(3600);
        desktop.inputIdle().setContinuous(EventType::mouseMoved, true);
        breaks.onPreWarn = [this] { preWarns.push_back(now()); };
        breaks.onCountdownTick = [this](int seconds, bool open) { ticks.push_back({now(), seconds, open}); };
        breaks.onCountdownEnd = [this] { countdownEnds.push_back(now()); };
        breaks.onOverlayVisible = [this](bool visible) { overlayVisible.push_back({now(), visible}); };
        breaks.onBreakDone = [this] { breaksDone.push_back(now()); };
    }
    void TearDown() override {
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
    }

    double now() { return desktop.queue().now(); }
    // Moves the clock to an absolute virtual time.
    void advanceTo(double time) { desktop.advanceBy(time - now()); }
    void setInterval(long long minutes) { settings.set("breaks.workIntervalMinutes", Value(minutes)); }
    // Brings an application to the front.
    int front(const std::string& bundleID) {
        const int pid = desktop.applications().launch(bundleID, bundleID);
        desktop.workspace().activateApplication(pid);
        desktop.runUntilIdle();
        return pid;
    }
    void clickSnooze() {
        const auto frames = breaks.overlay().snoozeButtonFramesOnDesktop();
        ASSERT_FALSE(frames.empty());
        desktop.mouse().moveTo(Point{frames[0].midX(), frames[0].midY()});
        desktop.mouse().leftDown();
        desktop.mouse().leftUp();
        desktop.runUntilIdle();
    }
    void pressEscTwice() {
        desktop.keyboard().press(53);
        desktop.advanceBy(0.3);
        desktop.keyboard().press(53);
        desktop.runUntilIdle();
    }
    // Every text drawn on screen now.
    std::vector<std::string> textsOnScreen() {
        std::vector<std::string> texts;
        for (const auto& record : desktop.panels().onScreen())
            for (const DrawOp& op : record->content->drawing().ops)
                if (const auto* text = std::get_if<draw::Text>(&op)) texts.push_back(text->text);
        return texts;
    }
    bool onScreen(const std::string& text) {
        for (const std::string& shown : textsOnScreen())
            if (shown == text) return true;
        return false;
    }
    // The times the break screen went up.
    std::vector<double> shownAt() const {
        std::vector<double> out;
        for (const auto& [at, visible] : overlayVisible)
            if (visible) out.push_back(at);
        return out;
    }
    // Runs one default cycle from an activation at time zero up to the break screen (at 1200 s).
    void runToBreak() {
        breaks.activate();
        advanceTo(1200);
        ASSERT_TRUE(breaks.overlay().isShowing());
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    BreaksFeature breaks{settings,
                         BreaksFeature::Services{desktop.queue(), desktop.workspace(), desktop.inputIdle(),
                                                 desktop.powerAssertions(), desktop.screens(), desktop.panels(),
                                                 desktop.keyboard(), desktop.mouse(), desktop.platform().textMeasurer,
                                                 kSelfPID}};
    std::vector<double> preWarns;
    std::vector<Tick> ticks;
    std::vector<double> countdownEnds;
    std::vector<std::pair<double, bool>> overlayVisible;
    std::vector<double> breaksDone;
};

TEST_F(BreaksFeatureTest, DefaultCycleWarnsCountsDownAndShowsTheBreak) {
    Log::setSystemLog(&desktop.systemLog());
    Log::setDebugEnabled(true);
    EXPECT_EQ(breaks.nextPhaseLabel(), "—");
    EXPECT_EQ(breaks.lastDecisionSummary(), "none yet");

    breaks.activate();
    EXPECT_TRUE(breaks.isActive());
    EXPECT_TRUE(desktop.systemLog().contains("Breaks activated"));
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1140);
    EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn chip");
    // Waiting is one scheduled task, nothing more.
    EXPECT_EQ(desktop.queue().pendingCount(), 1u);

    advanceTo(1139.75);
    EXPECT_TRUE(preWarns.empty());
    advanceTo(1140);
    EXPECT_EQ(preWarns, std::vector<double>{1140});
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1190);
    EXPECT_EQ(breaks.nextPhaseLabel(), "final countdown");
    EXPECT_EQ(breaks.lastDecisionSummary(),
              "start — smart on, idle 0s, key 4740s, busy no, front —, excluded 0, defers 0");
    EXPECT_TRUE(desktop.systemLog().contains(
        "Breaks decision: start — smart on, idle 0s, key 4740s, busy no, front —, excluded 0, defers 0"));

    advanceTo(1190);
    EXPECT_EQ(breaks.nextFireAt(), std::nullopt);
    EXPECT_EQ(breaks.nextPhaseLabel(), "counting down");
    advanceTo(1199.75);
    EXPECT_TRUE(countdownEnds.empty());
    EXPECT_FALSE(breaks.overlay().isShowing());

    // Ten steps a second apart; the eye blinks (closed, open, closed, open) on even steps only.
    std::vector<Tick> expected;
    for (int s = 10; s >= 1; --s) {
        const double at = 1190 + (10 - s);
        expected.push_back({at, s, true});
        if (s % 2 == 0)
            for (const auto& frame : BreaksFeature::kBlinkFrames) expected.push_back({at + frame.delay, s, frame.eyeOpen});
    }
    EXPECT_EQ(ticks, expected);

    advanceTo(1200);
    EXPECT_EQ(countdownEnds, std::vector<double>{1200});
    EXPECT_EQ(overlayVisible, (std::vector<std::pair<double, bool>>{{1200, true}}));
    EXPECT_TRUE(breaks.overlay().isShowing());
    // The first break after launch shows the second prompt.
    EXPECT_EQ(breaks.copyIndex(), 1);
    EXPECT_TRUE(onScreen("Look 20 feet away"));

    // The break runs its 20 seconds, then the next cycle starts from there.
    advanceTo(1221);
    EXPECT_FALSE(breaks.overlay().isShowing());
    EXPECT_EQ(overlayVisible.back(), (std::pair<double, bool>{1220, false}));
    EXPECT_EQ(breaksDone, std::vector<double>{1220});
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1220 + 1140);
    EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn chip");
    EXPECT_FALSE(breaks.snoozing());

    // Later breaks walk through the prompts in turn.
    advanceTo(1220 + 1200 + 21);
    EXPECT_EQ(breaks.copyIndex(), 2);
    EXPECT_EQ(breaksDone.size(), 2u);
    EXPECT_EQ(ticks.size(), 2 * expected.size());
}

TEST_F(BreaksFeatureTest, ShortAndOddSettingsKeepSaneTimings) {
    // A one-minute interval warns after one second, not at once.
    setInterval(1);
    breaks.activate();
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1);
    advanceTo(0.75);
    EXPECT_TRUE(preWarns.empty());
    advanceTo(1);
    EXPECT_EQ(preWarns, std::vector<double>{1});
    advanceTo(61);
    EXPECT_EQ(shownAt(), std::vector<double>{61});
    breaks.deactivate();

    // Without the warning the timing is the same, only the chip is missing.
    settings.set("breaks.preWarn", Value(false));
    setInterval(2);
    preWarns.clear();
    overlayVisible.clear();
    breaks.activate();
    advanceTo(61 + 120);
    EXPECT_TRUE(preWarns.empty());
    EXPECT_EQ(shownAt(), std::vector<double>{181});
    breaks.deactivate();

    // A zero or negative interval is treated as one minute, and a break of zero seconds as one
    // second: reminders neither fire in a tight loop nor silently stop.
    setInterval(0);
    settings.set("breaks.breakSeconds", Value(0LL));
    overlayVisible.clear();
    breaksDone.clear();
    const double start = now();
    breaks.activate();
    EXPECT_EQ(breaks.scheduledInterval(), 60);
    advanceTo(start + 61);
    EXPECT_EQ(shownAt(), std::vector<double>{start + 61});
    advanceTo(start + 63);
    EXPECT_EQ(breaksDone, std::vector<double>{start + 62});
}

TEST_F(BreaksFeatureTest, TypingPostponesFiveTimesPerCycleAcrossBothChecks) {
    desktop.inputIdle().setContinuous(EventType::keyDown, true);
    breaks.activate();
    for (int retry = 1; retry <= 5; ++retry) {
        advanceTo(1140 + 60 * (retry - 1));
        EXPECT_EQ(breaks.typingDefers(), retry);
        EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn retry (typing)");
        EXPECT_EQ(breaks.nextFireAt(), kWall + now() + 60);
    }
    EXPECT_EQ(breaks.lastDecisionSummary(),
              "postponeTyping — smart on, idle 0s, key 0s, busy no, front —, excluded 0, defers 4");
    EXPECT_TRUE(preWarns.empty());
    // The sixth check starts the break for all the typing; so does the countdown check after it.
    advanceTo(1440);
    EXPECT_EQ(preWarns, std::vector<double>{1440});
    advanceTo(1500);
    EXPECT_EQ(shownAt(), std::vector<double>{1500});

    // A new cycle starts the count afresh. This time the user pauses at the warning and types again
    // through the countdown check: the postponements of both checks add up to five.
    advanceTo(1520);
    ASSERT_EQ(breaksDone, std::vector<double>{1520});
    const double cycle = now();
    EXPECT_EQ(breaks.typingDefers(), 0);
    advanceTo(cycle + 1140 + 60);  // two typing postponements
    EXPECT_EQ(breaks.typingDefers(), 2);
    desktop.inputIdle().setContinuous(EventType::keyDown, false);
    advanceTo(cycle + 1260);
    EXPECT_EQ(preWarns.size(), 2u);
    desktop.inputIdle().setContinuous(EventType::keyDown, true);
    advanceTo(cycle + 1310);
    EXPECT_EQ(breaks.nextPhaseLabel(), "countdown retry (typing)");
    advanceTo(cycle + 1430);
    EXPECT_EQ(breaks.typingDefers(), 5);
    EXPECT_EQ(ticks.back().at, 1499);  // no countdown yet in this cycle
    advanceTo(cycle + 1490);
    EXPECT_EQ(breaks.nextPhaseLabel(), "counting down");
    advanceTo(cycle + 1500);
    EXPECT_EQ(shownAt().back(), cycle + 1500);
}

TEST_F(BreaksFeatureTest, AnIdleUserHasHadTheirBreakAlready) {
    breaks.activate();
    // Hands off for exactly the break length when the warning is due: a natural break.
    advanceTo(1120);
    desktop.inputIdle().setIdleFor(0);
    advanceTo(1140);
    EXPECT_TRUE(preWarns.empty());
    EXPECT_EQ(breaks.lastDecisionSummary().rfind("creditNatural — smart on, idle 20s", 0), 0u);
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1140 + 1140);
    EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn chip");

    // One second short of it is no break. The user then leaves during the 50 seconds before the
    // countdown: the countdown check credits the rest too and no countdown starts.
    desktop.inputIdle().setContinuous(EventType::mouseMoved, true);
    advanceTo(2261);
    desktop.inputIdle().setIdleFor(0);
    advanceTo(2280);
    EXPECT_EQ(breaks.lastDecisionSummary().rfind("start — smart on, idle 19s", 0), 0u) << breaks.lastDecisionSummary();
    EXPECT_EQ(preWarns, std::vector<double>{2280});
    advanceTo(2330);
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(breaks.nextFireAt(), kWall + 2330 + 1140);
}

TEST_F(BreaksFeatureTest, ExcludedAppsPostponeEvenWithoutSmartDeferButTypingAndBusyDoNot) {
    settings.set("breaks.smartDefer", Value(false));
    settings.setBreaksExcludedApps({"com.example.slides"});
    desktop.inputIdle().setContinuous(EventType::keyDown, true);
    desktop.powerAssertions().holdFor(77, "NoDisplaySleepAssertion");
    front("com.example.slides");
    breaks.activate();

    advanceTo(1140);
    EXPECT_TRUE(preWarns.empty());
    EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn retry (busy)");
    EXPECT_EQ(breaks.typingDefers(), 0);
    EXPECT_EQ(breaks.lastDecisionSummary(),
              "postponeBusy — smart off, idle 0s, key 0s, busy no, front com.example.slides, excluded 1, defers 0");
    // Postponement for an excluded application has no limit.
    advanceTo(1140 + 60 * 10);
    EXPECT_TRUE(preWarns.empty());

    // Another application in front: typing and the busy display do not matter with smart defer off.
    front("com.example.editor");
    advanceTo(1800);
    EXPECT_EQ(preWarns, std::vector<double>{1800});
    advanceTo(1860);
    EXPECT_EQ(shownAt(), std::vector<double>{1860});
}

TEST_F(BreaksFeatureTest, AnotherProcessKeepingTheDisplayOnPostponesButOursDoesNot) {
    // Our own keep-awake assertion is no reason to wait.
    desktop.powerAssertions().holdFor(kSelfPID, "PreventUserIdleDisplaySleep");
    breaks.activate();
    advanceTo(1140);
    EXPECT_EQ(preWarns, std::vector<double>{1140});

    // A video starts during the minute before the countdown: the countdown waits while it plays.
    desktop.powerAssertions().holdFor(1234, "NoDisplaySleepAssertion");
    advanceTo(1190);
    EXPECT_EQ(breaks.nextPhaseLabel(), "countdown retry (busy)");
    EXPECT_NE(breaks.lastDecisionSummary().find("busy yes"), std::string::npos) << breaks.lastDecisionSummary();
    advanceTo(1190 + 60 * 3);
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(breaks.typingDefers(), 0);

    desktop.powerAssertions().releaseAllOf(1234);
    advanceTo(1430);
    EXPECT_EQ(ticks.front().at, 1430);
    advanceTo(1440);
    EXPECT_EQ(shownAt(), std::vector<double>{1440});

    // When the power manager cannot be asked, the user is not busy.
    advanceTo(1460);
    desktop.powerAssertions().holdFor(1234, "NoDisplaySleepAssertion");
    desktop.powerAssertions().setQueryAvailable(false);
    advanceTo(1460 + 1200);
    EXPECT_EQ(shownAt().size(), 2u);
}

TEST_F(BreaksFeatureTest, AnExcludedAppComingToTheFrontDuringTheCountdownDefersTheBreak) {
    settings.setBreaksExcludedApps({"com.example.slides"});
    front("com.example.editor");
    breaks.activate();
    advanceTo(1195);
    front("com.example.slides");
    advanceTo(1200);
    EXPECT_FALSE(breaks.overlay().isShowing());
    EXPECT_TRUE(overlayVisible.empty());
    EXPECT_FALSE(countdownEnds.empty());
    EXPECT_EQ(countdownEnds.back(), 1200);
    EXPECT_EQ(breaks.nextPhaseLabel(), "break retry (excluded app)");
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1260);

    // Still in front a minute later: the countdown check itself postpones now.
    advanceTo(1260);
    EXPECT_EQ(breaks.nextPhaseLabel(), "countdown retry (busy)");
    front("com.example.editor");
    advanceTo(1320);
    EXPECT_EQ(ticks.back(), (Tick{1320, 10, true}));
    advanceTo(1330);
    EXPECT_EQ(shownAt(), std::vector<double>{1330});
}

TEST_F(BreaksFeatureTest, SnoozeBringsTheBreakBackFiveMinutesLater) {
    runToBreak();
    // The pills wake up after the skip delay.
    advanceTo(1205);
    clickSnooze();
    EXPECT_FALSE(breaks.overlay().isShowing());
    EXPECT_EQ(overlayVisible.back(), (std::pair<double, bool>{1205, false}));
    EXPECT_TRUE(breaksDone.empty());
    EXPECT_TRUE(breaks.snoozing());
    EXPECT_EQ(breaks.scheduledInterval(), 300);
    EXPECT_EQ(breaks.nextPhaseLabel(), "snoozed break");
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1205 + 240);

    // Changing the interval during a snooze leaves the snoozed break where it is.
    setInterval(45);
    breaks.applySettings();
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1205 + 240);

    advanceTo(1445);
    EXPECT_EQ(preWarns, (std::vector<double>{1140, 1445}));
    advanceTo(1505);
    EXPECT_EQ(shownAt(), (std::vector<double>{1200, 1505}));
    EXPECT_EQ(breaks.copyIndex(), 2);

    // A snoozed break can be snoozed again; completing it returns to the normal (now changed)
    // interval.
    advanceTo(1510);
    clickSnooze();
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1510 + 240);
    advanceTo(1810);
    ASSERT_TRUE(breaks.overlay().isShowing());
    advanceTo(1831);
    EXPECT_EQ(breaksDone, std::vector<double>{1830});
    EXPECT_FALSE(breaks.snoozing());
    EXPECT_EQ(breaks.scheduledInterval(), 45 * 60);
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1830 + 45 * 60 - 60);
}

TEST_F(BreaksFeatureTest, EscTwiceSkipsTheBreakWithoutCreditingIt) {
    runToBreak();
    pressEscTwice();
    EXPECT_FALSE(breaks.overlay().isShowing());
    EXPECT_EQ(overlayVisible.back().second, false);
    EXPECT_TRUE(breaksDone.empty());
    EXPECT_FALSE(breaks.snoozing());
    EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn chip");
    EXPECT_EQ(breaks.nextFireAt(), kWall + now() + 1140);
}

TEST_F(BreaksFeatureTest, AChangedIntervalRestartsTheWaitButNotACountdownOrBreak) {
    // Switched off, nothing happens.
    setInterval(30);
    breaks.applySettings();
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);

    breaks.activate();
    advanceTo(600);
    // An unchanged interval leaves the timing alone.
    breaks.applySettings();
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1740);
    setInterval(10);
    breaks.applySettings();
    EXPECT_EQ(breaks.nextFireAt(), kWall + 600 + 540);
    EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn chip");

    // During the countdown and the break the change waits for the next cycle.
    advanceTo(1195);
    setInterval(20);
    breaks.applySettings();
    EXPECT_EQ(breaks.nextPhaseLabel(), "counting down");
    advanceTo(1200);
    ASSERT_TRUE(breaks.overlay().isShowing());
    setInterval(25);
    breaks.applySettings();
    EXPECT_TRUE(breaks.overlay().isShowing());
    advanceTo(1221);
    EXPECT_EQ(breaksDone, std::vector<double>{1220});
    EXPECT_EQ(breaks.nextFireAt(), kWall + 1220 + 25 * 60 - 60);
}

TEST_F(BreaksFeatureTest, WakeAndSessionSwitchStartAFreshCycle) {
    runToBreak();
    // The computer sleeps through the break; waking takes the screen down without crediting it.
    desktop.sleepFor(3600);
    desktop.runUntilIdle();
    EXPECT_FALSE(breaks.overlay().isShowing());
    EXPECT_EQ(overlayVisible.back(), (std::pair<double, bool>{1200, false}));
    EXPECT_EQ(countdownEnds.size(), 2u);
    EXPECT_TRUE(breaksDone.empty());
    EXPECT_EQ(breaks.nextFireAt(), desktop.queue().wallNow() + 1140);

    // Back from another user's session during the wait before the countdown: a full new interval.
    advanceTo(1200 + 1150);
    EXPECT_EQ(preWarns.size(), 2u);
    desktop.workspace().sessionBecameActive();
    desktop.runUntilIdle();
    EXPECT_EQ(breaks.nextPhaseLabel(), "pre-warn chip");
    EXPECT_EQ(breaks.nextFireAt(), desktop.queue().wallNow() + 1140);
    advanceTo(2350 + 1200);
    EXPECT_EQ(shownAt(), (std::vector<double>{1200, 3550}));

    // Once switched off, neither notification does anything.
    breaks.deactivate();
    overlayVisible.clear();
    desktop.sleepFor(60);
    desktop.workspace().sessionBecameActive();
    desktop.runUntilIdle();
    EXPECT_TRUE(overlayVisible.empty());
    EXPECT_EQ(breaks.nextFireAt(), std::nullopt);
}

TEST_F(BreaksFeatureTest, DeactivatingMidCountdownEndsEverythingForGood) {
    Log::setSystemLog(&desktop.systemLog());
    Log::setDebugEnabled(true);
    breaks.activate();
    advanceTo(1194.09375);  // between two blink frames
    const std::size_t ticksSoFar = ticks.size();
    breaks.deactivate();
    EXPECT_FALSE(breaks.isActive());
    EXPECT_EQ(overlayVisible, (std::vector<std::pair<double, bool>>{{1194.09375, false}}));
    EXPECT_EQ(countdownEnds, std::vector<double>{1194.09375});
    EXPECT_TRUE(desktop.systemLog().contains("Breaks deactivated"));
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);

    advanceTo(86400);
    EXPECT_EQ(ticks.size(), ticksSoFar);
    EXPECT_EQ(overlayVisible.size(), 1u);
    EXPECT_EQ(countdownEnds.size(), 1u);
    EXPECT_FALSE(breaks.overlay().isShowing());

    // A second deactivation reports nothing; activating again starts from scratch.
    breaks.deactivate();
    EXPECT_EQ(overlayVisible.size(), 1u);
    breaks.activate();
    breaks.activate();
    EXPECT_EQ(breaks.nextFireAt(), kWall + 86400 + 1140);
    EXPECT_EQ(desktop.queue().pendingCount(), 1u);
}

TEST_F(BreaksFeatureTest, PreviewShowsTheCurrentPromptAndSchedulesNothing) {
    // Switched off, the sample shows the prompt at the current index without moving it on.
    breaks.preview();
    EXPECT_TRUE(breaks.overlay().isShowing());
    EXPECT_TRUE(onScreen("Unclench, blink, breathe"));
    EXPECT_EQ(breaks.copyIndex(), 0);
    EXPECT_EQ(overlayVisible, (std::vector<std::pair<double, bool>>{{0, true}}));
    // A second request while it shows is ignored.
    breaks.preview();
    EXPECT_EQ(overlayVisible.size(), 1u);
    advanceTo(9);
    EXPECT_FALSE(breaks.overlay().isShowing());
    EXPECT_EQ(overlayVisible, (std::vector<std::pair<double, bool>>{{0, true}, {8, false}}));
    EXPECT_TRUE(breaksDone.empty());
    EXPECT_TRUE(countdownEnds.empty());
    EXPECT_EQ(breaks.nextFireAt(), std::nullopt);
    desktop.runUntilIdle();
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);

    // While the feature runs, a preview leaves its timing alone and repeats the prompt last used.
    breaks.activate();
    advanceTo(9 + 1221);
    ASSERT_EQ(breaks.copyIndex(), 1);
    const auto next = breaks.nextFireAt();
    breaks.preview();
    EXPECT_TRUE(onScreen("Look 20 feet away"));
    pressEscTwice();
    EXPECT_EQ(overlayVisible.back().second, false);
    EXPECT_EQ(breaks.nextFireAt(), next);
    EXPECT_EQ(breaks.copyIndex(), 1);
    EXPECT_EQ(breaksDone.size(), 1u);
}

TEST_F(BreaksFeatureTest, SwitchingOffDuringASampleBreakStillReportsTheScreenGone) {
    breaks.preview();
    breaks.deactivate();
    EXPECT_FALSE(breaks.overlay().isShowing());
    EXPECT_EQ(overlayVisible, (std::vector<std::pair<double, bool>>{{0, true}, {0, false}}));
    EXPECT_TRUE(countdownEnds.empty());
}

TEST_F(BreaksFeatureTest, ADayOfBreaksNeverPilesUpWork) {
    settings.set("breaks.workIntervalMinutes", Value(5LL));
    std::size_t most = 0;
    auto sample = [&] { most = std::max(most, desktop.queue().pendingCount()); };
    breaks.onCountdownTick = [&](int, bool) { sample(); };
    breaks.onOverlayVisible = [&](bool) { sample(); };
    breaks.activate();
    for (int step = 0; step < 86400 * 4; ++step) {
        desktop.advanceBy(0.25);
        sample();
    }
    // Each cycle is five minutes of work plus the 20-second break.
    EXPECT_NEAR(static_cast<double>(breaksDone.size()), 86400.0 / 320, 1);
    EXPECT_LE(most, 8u);
}

}  // namespace
}  // namespace tarnlet
