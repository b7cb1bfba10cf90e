#include "keys/KeyTap.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "keys/ModifierWatcher.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using sim::SimKeyboard;

std::uint16_t code(const char* name) { return *SimKeyboard::keyCode(name); }

// The leader key tap on the simulated keyboard, fed by the shared modifier watcher as the leader
// watcher wires it. The consumer claims the characters in `claimed`.
class KeyTapTest : public ::testing::Test {
protected:
    void SetUp() override {
        tap.onKey = [this](Leader leader, const std::string& character) {
            offered.push_back(std::string(leaderName(leader)) + " " + character);
            return claimed.count(character) > 0;
        };
        tap.onLeaderChange = [this](std::optional<Leader> leader) { changes.push_back(leader); };
        ASSERT_TRUE(tap.start());
        subscription = modifiers.subscribe([this](std::uint64_t flags) { tap.handleFlags(flags); });
    }

    SimKeyboard& keyboard() { return env.desktop().keyboard(); }

    // The key events the front application received, as "down j" / "up j" / "repeat j".
    std::vector<std::string> appKeys() {
        std::vector<std::string> keys;
        for (const auto& delivery : keyboard().delivered()) {
            const auto& event = delivery.event;
            if (!event.isKey()) continue;
            const char* kind = event.type == EventType::keyUp ? "up " : event.isRepeat ? "repeat " : "down ";
            keys.push_back(kind + SimKeyboard::keyName(event.keyCode));
        }
        return keys;
    }

    using Keys = std::vector<std::string>;

    test::TestEnvironment env;
    ModifierWatcher modifiers{env.desktop().keyboard()};
    KeyTap tap{env.desktop().keyboard()};
    Subscription subscription;
    std::set<std::string> claimed{"j", ":", "~", "1"};
    std::vector<std::string> offered;
    std::vector<std::optional<Leader>> changes;
};

TEST_F(KeyTapTest, LeftCommandTypingNeverRunsThroughTheTap) {
    const auto callbacks = keyboard().keyCallbackCount();
    keyboard().keyDown(code("lcmd"));
    keyboard().press(code("j"));
    keyboard().press(code("c"));
    EXPECT_FALSE(tap.isTapEnabled());
    keyboard().keyUp(code("lcmd"));
    keyboard().press(code("j"));

    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(offered.empty());
    EXPECT_FALSE(tap.isTapEnabled());
    EXPECT_EQ(keyboard().keyCallbackCount(), callbacks);
    EXPECT_EQ(appKeys(), (Keys{"down j", "up j", "down c", "up c", "down j", "up j"}));
}

TEST_F(KeyTapTest, LeaderFollowsTheRightHandModifiers) {
    keyboard().keyDown(code("rcmd"));
    EXPECT_TRUE(tap.isTapEnabled());
    keyboard().keyDown(code("lopt"));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0], Leader::command);
    EXPECT_EQ(changes[1], Leader::feature);

    // Shift adds nothing to the leader, so no change is announced.
    keyboard().keyDown(code("lshift"));
    keyboard().keyUp(code("lshift"));
    EXPECT_EQ(changes.size(), 2u);

    keyboard().keyUp(code("lopt"));
    keyboard().keyUp(code("rcmd"));
    keyboard().keyDown(code("ropt"));
    keyboard().keyUp(code("ropt"));
    EXPECT_EQ(changes, (std::vector<std::optional<Leader>>{Leader::command, Leader::feature, Leader::command,
                                                           std::nullopt, Leader::option, std::nullopt}));
    EXPECT_FALSE(tap.isTapEnabled());
}

TEST_F(KeyTapTest, ClaimedKeysAreSwallowedInBothDirectionsOthersPass) {
    keyboard().keyDown(code("rcmd"));
    keyboard().press(code("j"));
    keyboard().press(code(";"));
    keyboard().press(code("k"));  // declined: reaches the application whole
    keyboard().press(code("0"));  // not a chord key at all
    keyboard().keyUp(code("rcmd"));

    EXPECT_EQ(offered, (Keys{"command j", "command :", "command k"}));
    EXPECT_EQ(appKeys(), (Keys{"down k", "up k", "down 0", "up 0"}));
    EXPECT_TRUE(tap.logic().consumedKeys.empty());
    EXPECT_FALSE(tap.isTapEnabled());
}

TEST_F(KeyTapTest, KeyUpAfterTheLeaderWentIsStillSwallowedThenTheTapSwitchesOff) {
    keyboard().keyDown(code("rcmd"));
    keyboard().keyDown(code("j"));
    keyboard().keyUp(code("rcmd"));
    EXPECT_EQ(changes.back(), std::nullopt);
    EXPECT_TRUE(tap.isTapEnabled());  // releasing: the key-up of j is still to come

    // An unclaimed key typed meanwhile passes whole.
    keyboard().press(code("k"));
    keyboard().keyUp(code("j"));
    EXPECT_FALSE(tap.isTapEnabled());
    EXPECT_EQ(appKeys(), (Keys{"down k", "up k"}));

    const auto callbacks = keyboard().keyCallbackCount();
    keyboard().press(code("j"));
    EXPECT_EQ(keyboard().keyCallbackCount(), callbacks);
    EXPECT_EQ(appKeys(), (Keys{"down k", "up k", "down j", "up j"}));
}

TEST_F(KeyTapTest, UnclaimedKeyUpIsNeverSwallowed) {
    // Down before the leader, up while it is held.
    keyboard().keyDown(code("j"));
    keyboard().keyDown(code("rcmd"));
    keyboard().keyUp(code("j"));
    // Declined under the leader, up after the leader went.
    keyboard().keyDown(code("k"));
    keyboard().keyUp(code("rcmd"));
    keyboard().keyUp(code("k"));
    EXPECT_EQ(appKeys(), (Keys{"down j", "up j", "down k", "up k"}));
    EXPECT_FALSE(tap.isTapEnabled());
}

TEST_F(KeyTapTest, AutoRepeatOfAClaimedKeyIsSwallowedWithoutAskingAgain) {
    keyboard().keyDown(code("rcmd"));
    keyboard().keyDown(code("j"));
    env.desktop().advanceBy(1.0);  // the first repeat after 0.5 s, then every 0.1 s
    // Letting go of the leader first does not hand the repeats to the application.
    keyboard().keyUp(code("rcmd"));
    env.desktop().advanceBy(0.5);
    keyboard().keyUp(code("j"));
    env.desktop().advanceBy(1.0);

    EXPECT_EQ(offered, (Keys{"command j"}));
    EXPECT_TRUE(appKeys().empty());
    EXPECT_FALSE(tap.isTapEnabled());
}

TEST_F(KeyTapTest, AutoRepeatOfAnUnclaimedKeyReachesTheApplication) {
    keyboard().keyDown(code("rcmd"));
    keyboard().keyDown(code("k"));
    env.desktop().advanceBy(0.65);
    keyboard().keyUp(code("k"));
    keyboard().keyUp(code("rcmd"));
    // Each repeat is offered again: a declined key has no claim to remember.
    EXPECT_EQ(offered, (Keys{"command k", "command k", "command k"}));
    EXPECT_EQ(appKeys(), (Keys{"down k", "repeat k", "repeat k", "up k"}));
}

TEST_F(KeyTapTest, TapSwitchedOffBySystemComesBackOnlyWhenNeeded) {
    // Idle: the tap is off anyway and stays off.
    keyboard().disableTapsByTimeout();
    EXPECT_FALSE(tap.isTapEnabled());

    keyboard().keyDown(code("rcmd"));
    keyboard().disableTapsByTimeout();
    EXPECT_TRUE(tap.isTapEnabled());
    EXPECT_TRUE(modifiers.isRunning());
    keyboard().keyDown(code("j"));
    keyboard().keyUp(code("rcmd"));

    // Releasing: the pending key-up still needs the tap.
    keyboard().disableTapsByTimeout();
    EXPECT_TRUE(tap.isTapEnabled());
    keyboard().keyUp(code("j"));
    EXPECT_FALSE(tap.isTapEnabled());

    // The modifier tap came back too, so the next chord works.
    keyboard().keyDown(code("rcmd"));
    keyboard().press(code("j"));
    keyboard().keyUp(code("rcmd"));
    EXPECT_EQ(offered, (Keys{"command j", "command j"}));
    EXPECT_TRUE(appKeys().empty());
}

TEST_F(KeyTapTest, SyntheticEventsPassUntouched) {
    keyboard().keyDown(code("rcmd"));
    InputEvent paste;
    paste.type = EventType::keyDown;
    paste.keyCode = code("j");
    paste.flags = keyboard().flags();
    paste.userData = kSyntheticEventMarker;
    keyboard().post(paste);
    paste.type = EventType::keyUp;
    keyboard().post(paste);
    env.desktop().runUntilIdle();
    EXPECT_TRUE(offered.empty());
    EXPECT_EQ(appKeys(), (Keys{"down j", "up j"}));
    EXPECT_TRUE(tap.logic().consumedKeys.empty());
}

// A desktop without a global event filter must intercept the chord keys ahead of the leader: the
// tap claims every key a leader can offer for as long as it is started.
TEST_F(KeyTapTest, ClaimsTheLeaderKeysWhileStarted) {
    ASSERT_EQ(keyboard().claims().size(), 1u);
    const KeyClaim claim = keyboard().claims().front();
    EXPECT_EQ(claim.kind, KeyClaim::Kind::leader);
    EXPECT_EQ(claim.modifiers, ModifierFlag::rightCommand | ModifierFlag::rightOption);
    for (const char* key : {"a", "z", "1", "9", ";", "`", ",", "/", "."}) {
        EXPECT_NE(std::find(claim.keyCodes.begin(), claim.keyCodes.end(), code(key)), claim.keyCodes.end()) << key;
    }
    for (const char* key : {"0", "return", "space", "left", "lshift"}) {
        EXPECT_EQ(std::find(claim.keyCodes.begin(), claim.keyCodes.end(), code(key)), claim.keyCodes.end()) << key;
    }
    tap.stop();
    EXPECT_TRUE(keyboard().claims().empty());
}

TEST(KeyTapStartTest, WithoutPermissionStartFailsAndLeavesNoTap) {
    test::TestEnvironment env;
    auto& keyboard = env.desktop().keyboard();
    env.desktop().permissions().setAccessibilityTrusted(false);
    KeyTap tap(keyboard);
    EXPECT_FALSE(tap.start());
    EXPECT_FALSE(tap.isStarted());
    EXPECT_EQ(keyboard.tapCount(), 0u);

    env.desktop().permissions().setAccessibilityTrusted(true);
    EXPECT_TRUE(tap.start());
    EXPECT_TRUE(tap.start());  // already there: no second tap
    EXPECT_EQ(keyboard.tapCount(), 1u);
    EXPECT_FALSE(tap.isTapEnabled());
}

TEST_F(KeyTapTest, StopForgetsClaimedKeysAndIgnoresLaterEvents) {
    keyboard().keyDown(code("rcmd"));
    keyboard().keyDown(code("j"));
    tap.stop();
    EXPECT_FALSE(tap.isStarted());
    EXPECT_EQ(tap.logic().leader, std::nullopt);
    EXPECT_TRUE(tap.logic().consumedKeys.empty());

    // The forgotten key's key-up now reaches the application.
    keyboard().keyUp(code("j"));
    tap.handleFlags(ModifierFlag::rightCommand | ModifierFlag::command);
    keyboard().press(code("k"));
    keyboard().keyUp(code("rcmd"));
    EXPECT_EQ(changes.size(), 1u);  // only the leader before the stop
    EXPECT_EQ(offered, (Keys{"command j"}));
    EXPECT_EQ(appKeys(), (Keys{"up j", "down k", "up k"}));
    EXPECT_EQ(keyboard().tapCount(), 1u);  // the modifier tap only

    // A restart begins clean.
    ASSERT_TRUE(tap.start());
    keyboard().keyDown(code("rcmd"));
    keyboard().press(code("j"));
    keyboard().keyUp(code("rcmd"));
    EXPECT_EQ(offered, (Keys{"command j", "command j"}));
    EXPECT_EQ(appKeys(), (Keys{"up j", "down k", "up k"}));
}

TEST_F(KeyTapTest, ConsumerMayStopTheTapWhileItRuns) {
    tap.onKey = [this](Leader, const std::string&) {
        tap.stop();
        return true;
    };
    keyboard().keyDown(code("rcmd"));
    keyboard().press(code("j"));
    EXPECT_FALSE(tap.isStarted());
    EXPECT_TRUE(tap.logic().consumedKeys.empty());
    // The claimed key-down was swallowed; its key-up comes after the stop and passes.
    EXPECT_EQ(appKeys(), (Keys{"up j"}));
}

TEST(KeyTapLifetimeTest, ConsumerMayDestroyTheTapWhileItRuns) {
    test::TestEnvironment env;
    auto& keyboard = env.desktop().keyboard();
    auto tap = std::make_unique<KeyTap>(keyboard);
    ASSERT_TRUE(tap->start());
    tap->handleFlags(ModifierFlag::rightCommand | ModifierFlag::command);
    tap->onKey = [&](Leader, const std::string&) {
        tap.reset();
        return true;
    };
    keyboard.press(code("j"));
    EXPECT_EQ(tap, nullptr);
    EXPECT_EQ(keyboard.tapCount(), 0u);
    ASSERT_EQ(keyboard.delivered().size(), 2u);  // the owner is gone, so nothing was swallowed
}

}  // namespace
}  // namespace tarnlet
