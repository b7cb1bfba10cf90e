// The leader watcher on the simulated keyboard: real taps, real modifier flags, virtual time.

#include "keys/LeaderWatcher.h"

#include <gtest/gtest.h>

#include "diagnostics/Log.h"
#include "keys/ModifierWatcher.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class LeaderWatcherTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    sim::SimKeyboard& keyboard = desktop.keyboard();
    ModifierWatcher modifiers{keyboard};
    LeaderWatcher watcher{modifiers, keyboard, desktop.queue()};

    std::vector<std::pair<Leader, std::size_t>> holds;
    int releases = 0;
    std::vector<std::string> log;  // "owner:leader:character"
    int ownerA = 0, ownerB = 0;

    LeaderWatcherTest() {
        watcher.onHold = [this](Leader leader, const std::vector<NotchBarItem>& items) {
            holds.emplace_back(leader, items.size());
        };
        watcher.onRelease = [this] { ++releases; };
    }

    // A consumer that records every offer and claims the characters in `claims`.
    LeaderWatcher::Consumer consumer(std::string name, std::set<Leader> leaders, std::set<std::string> claims,
                                     std::size_t hintCount = 1) {
        LeaderWatcher::Consumer c;
        c.leaders = std::move(leaders);
        c.onKey = [this, name, claims](Leader leader, const std::string& character) {
            log.push_back(name + ":" + std::string(leaderName(leader)) + ":" + character);
            return claims.count(character) > 0;
        };
        c.hints = [hintCount](Leader) { return std::vector<NotchBarItem>(hintCount, NotchBarItem{}); };
        return c;
    }

    std::uint16_t code(const char* name) { return *sim::SimKeyboard::keyCode(name); }
    void down(const char* name) {
        keyboard.keyDown(code(name));
        desktop.runUntilIdle();
    }
    void up(const char* name) {
        keyboard.keyUp(code(name));
        desktop.runUntilIdle();
    }
    void press(const char* name) {
        keyboard.press(code(name));
        desktop.runUntilIdle();
    }
    bool appReceived(const char* name) const {
        for (const auto& d : keyboard.delivered())
            if (d.event.type == EventType::keyDown && d.event.keyCode == *sim::SimKeyboard::keyCode(name)) return true;
        return false;
    }
};

TEST_F(LeaderWatcherTest, HintsAppearAfterTheHoldDelayAndGoOnRelease) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::feature}, {}, 3));
    ASSERT_TRUE(watcher.isRunning());
    down("rcmd");
    down("ropt");
    desktop.advanceBy(0.19);
    EXPECT_TRUE(holds.empty());
    desktop.advanceBy(0.02);
    ASSERT_EQ(holds.size(), 1u);
    EXPECT_EQ(holds[0], std::make_pair(Leader::feature, std::size_t{3}));
    up("ropt");
    up("rcmd");
    EXPECT_GE(releases, 1);
}

TEST_F(LeaderWatcherTest, AQuickChordShowsNothing) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::feature}, {"s"}));
    down("rcmd");
    down("ropt");
    desktop.advanceBy(0.05);
    press("s");
    up("ropt");
    up("rcmd");
    desktop.advanceBy(1);
    EXPECT_TRUE(holds.empty());
    EXPECT_EQ(log, std::vector<std::string>{"a:feature:s"});
    EXPECT_FALSE(appReceived("s"));  // claimed keys vanish for every application
}

TEST_F(LeaderWatcherTest, ReleasingBeforeTheDelayCancelsTheStrip) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::command}, {}));
    down("rcmd");
    desktop.advanceBy(0.1);
    up("rcmd");
    desktop.advanceBy(1);
    EXPECT_TRUE(holds.empty());
    EXPECT_EQ(releases, 1);
}

TEST_F(LeaderWatcherTest, TheDelayComesFromTheApplicationAndRestartsOnALeaderChange) {
    watcher.holdDelay = [] { return 1.0; };
    watcher.addConsumer(&ownerA, consumer("a", {Leader::command, Leader::feature}, {}));
    down("rcmd");
    desktop.advanceBy(0.8);
    down("lopt");  // command becomes feature: the delay starts again
    desktop.advanceBy(0.8);
    EXPECT_TRUE(holds.empty());
    desktop.advanceBy(0.25);
    ASSERT_EQ(holds.size(), 1u);
    EXPECT_EQ(holds[0].first, Leader::feature);
}

TEST_F(LeaderWatcherTest, ALeaderNobodyServesShowsNothing) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::feature}, {"j"}));
    down("ropt");
    desktop.advanceBy(1);
    EXPECT_TRUE(holds.empty());
    press("j");
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(appReceived("j"));
}

TEST_F(LeaderWatcherTest, AStripShownForAServedLeaderStaysWhenTheLeaderTurnsUnserved) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::feature}, {}));
    down("rcmd");
    down("ropt");
    desktop.advanceBy(0.3);
    ASSERT_EQ(holds.size(), 1u);
    up("rcmd");  // right Option alone: the option leader, which nobody serves
    EXPECT_EQ(releases, 0);
    up("ropt");
    EXPECT_EQ(releases, 1);
}

TEST_F(LeaderWatcherTest, KeysGoToConsumersInRegistrationOrder) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::command}, {"j"}));
    watcher.addConsumer(&ownerB, consumer("b", {Leader::command}, {"j", "k"}));
    down("rcmd");
    press("j");
    press("k");
    press("l");
    up("rcmd");
    EXPECT_EQ(log, (std::vector<std::string>{"a:command:j", "a:command:k", "b:command:k", "a:command:l", "b:command:l"}));
    EXPECT_FALSE(appReceived("j"));
    EXPECT_FALSE(appReceived("k"));
    EXPECT_TRUE(appReceived("l"));
}

TEST_F(LeaderWatcherTest, AReplacedConsumerKeepsItsPlaceAndHintsFollowTheOrder) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::command}, {}, 1));
    watcher.addConsumer(&ownerB, consumer("b", {Leader::command}, {}, 2));
    watcher.addConsumer(&ownerA, consumer("a2", {Leader::command}, {"x"}, 4));
    down("rcmd");
    press("x");
    EXPECT_EQ(log, std::vector<std::string>{"a2:command:x"});
    desktop.advanceBy(0.3);
    ASSERT_EQ(holds.size(), 1u);
    EXPECT_EQ(holds[0].second, 6u);
}

TEST_F(LeaderWatcherTest, RemovingTheLastConsumerStopsEverything) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::command}, {"j"}));
    watcher.addConsumer(&ownerB, consumer("b", {Leader::command}, {}));
    watcher.remove(&ownerA);
    EXPECT_TRUE(watcher.isRunning());
    watcher.remove(&ownerB);
    EXPECT_FALSE(watcher.isRunning());
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(keyboard.tapCount(), 0u);
    down("rcmd");
    press("j");
    EXPECT_TRUE(appReceived("j"));
}

TEST_F(LeaderWatcherTest, WithoutThePermissionItLogsAndStaysStopped) {
    Log::setSystemLog(&desktop.systemLog());
    Log::setDebugEnabled(true);
    desktop.permissions().setAccessibilityTrusted(false);
    watcher.addConsumer(&ownerA, consumer("a", {Leader::command}, {"j"}));
    Log::setDebugEnabled(false);
    Log::setSystemLog(nullptr);
    EXPECT_FALSE(watcher.isRunning());
    EXPECT_TRUE(desktop.systemLog().contains("LeaderWatcher: could not create key tap (Accessibility not granted?)"));
    desktop.permissions().setAccessibilityTrusted(true);
    watcher.start();
    EXPECT_TRUE(watcher.isRunning());
}

TEST_F(LeaderWatcherTest, DismissingTheHintCancelsAPendingStrip) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::feature}, {}));
    down("rcmd");
    down("ropt");
    desktop.advanceBy(0.1);
    watcher.dismissHint();
    desktop.advanceBy(1);
    EXPECT_TRUE(holds.empty());
    EXPECT_EQ(releases, 1);
}

TEST_F(LeaderWatcherTest, StoppingWhileAStripIsPendingDropsIt) {
    watcher.addConsumer(&ownerA, consumer("a", {Leader::command}, {}));
    down("rcmd");
    watcher.stop();
    desktop.advanceBy(1);
    EXPECT_TRUE(holds.empty());
    EXPECT_EQ(releases, 1);
    // Stopped, the watcher sees no more modifier changes.
    up("rcmd");
    EXPECT_EQ(releases, 1);
}

}  // namespace
}  // namespace tarnlet
