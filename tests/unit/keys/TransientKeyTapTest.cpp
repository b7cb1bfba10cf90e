#include "keys/TransientKeyTap.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using sim::SimKeyboard;

std::uint16_t code(const char* name) { return *SimKeyboard::keyCode(name); }

class TransientKeyTapTest : public ::testing::Test {
protected:
    SimKeyboard& keyboard() { return env.desktop().keyboard(); }

    // Claims Escape and Return, records everything it sees.
    void watch(TransientKeyTap& tap) {
        tap.onKey = [this](const TransientKeyTap::KeyEvent& key) {
            seen.push_back(key);
            return key.code == code("escape") || key.code == code("return");
        };
    }

    std::vector<std::string> appKeys() {
        std::vector<std::string> keys;
        for (const auto& delivery : keyboard().delivered())
            if (delivery.event.isKey())
                keys.push_back((delivery.event.type == EventType::keyUp ? "up " : "down ") +
                               SimKeyboard::keyName(delivery.event.keyCode));
        return keys;
    }

    using Keys = std::vector<std::string>;

    test::TestEnvironment env;
    std::vector<TransientKeyTap::KeyEvent> seen;
};

TEST_F(TransientKeyTapTest, ConsumingTapSwallowsWhatItClaims) {
    TransientKeyTap tap(keyboard(), /*consuming=*/true);
    watch(tap);
    tap.arm();
    ASSERT_TRUE(tap.isArmed());
    keyboard().keyDown(code("lshift"));
    keyboard().press(code("a"));
    keyboard().keyUp(code("lshift"));
    keyboard().press(code("escape"));

    // Key-downs only: the key-ups were not asked for.
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].code, code("a"));
    EXPECT_EQ(seen[0].characters(), "A");
    EXPECT_TRUE(seen[0].flags & ModifierFlag::shift);
    EXPECT_FALSE(seen[0].isKeyUp);
    EXPECT_EQ(seen[1].code, code("escape"));
    // Escape's key-down was swallowed; its key-up was not watched, so it passes.
    EXPECT_EQ(appKeys(), (Keys{"down a", "up a", "up escape"}));
}

TEST_F(TransientKeyTapTest, ListenOnlyTapNeverSwallows) {
    TransientKeyTap tap(keyboard(), /*consuming=*/false, /*watchKeyUp=*/true);
    watch(tap);
    tap.arm();
    keyboard().press(code("escape"));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[0].isKeyUp);
    EXPECT_TRUE(seen[1].isKeyUp);
    EXPECT_EQ(seen[1].code, code("escape"));
    EXPECT_EQ(appKeys(), (Keys{"down escape", "up escape"}));
}

TEST_F(TransientKeyTapTest, KeyUpsAndFurtherEventTypesWhenAskedFor) {
    TransientKeyTap tap(keyboard(), true, /*watchKeyUp=*/true, maskOf(EventType::flagsChanged));
    watch(tap);
    tap.arm();
    keyboard().keyDown(code("lcmd"));
    keyboard().press(code("return"));
    keyboard().keyUp(code("lcmd"));

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].code, -1);  // not a key event, whatever key moved the flags
    EXPECT_EQ(seen[0].event.type, EventType::flagsChanged);
    EXPECT_TRUE(seen[0].flags & ModifierFlag::command);
    EXPECT_EQ(seen[1].code, code("return"));
    EXPECT_TRUE(seen[2].isKeyUp);
    EXPECT_EQ(seen[3].code, -1);
    EXPECT_EQ(appKeys(), Keys{});
}

TEST_F(TransientKeyTapTest, RepeatsAreMarked) {
    TransientKeyTap tap(keyboard(), true);
    watch(tap);
    tap.arm();
    keyboard().keyDown(code("down"));
    env.desktop().advanceBy(0.55);
    keyboard().keyUp(code("down"));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[0].isRepeat);
    EXPECT_TRUE(seen[1].isRepeat);
    EXPECT_EQ(seen[1].code, code("down"));
}

TEST_F(TransientKeyTapTest, MarkedSyntheticEventsPassUnseen) {
    TransientKeyTap tap(keyboard(), true, true);
    tap.onKey = [this](const TransientKeyTap::KeyEvent& key) {
        seen.push_back(key);
        return true;  // claims everything it is shown
    };
    tap.arm();

    InputEvent paste;
    paste.type = EventType::keyDown;
    paste.keyCode = code("v");
    paste.flags = ModifierFlag::command;
    paste.userData = kSyntheticEventMarker;
    keyboard().post(paste);
    paste.type = EventType::keyUp;
    keyboard().post(paste);
    // The same event without the mark is an ordinary one.
    paste.userData = 0;
    keyboard().post(paste);
    env.desktop().runUntilIdle();

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].isKeyUp);
    EXPECT_EQ(appKeys(), (Keys{"down v", "up v"}));
}

TEST_F(TransientKeyTapTest, ArmDisarmAndPermission) {
    env.desktop().permissions().setAccessibilityTrusted(false);
    {
        TransientKeyTap tap(keyboard(), true);
        watch(tap);
        tap.arm();
        EXPECT_FALSE(tap.isArmed());
        keyboard().press(code("escape"));
        EXPECT_TRUE(seen.empty());

        env.desktop().permissions().setAccessibilityTrusted(true);
        tap.arm();
        tap.arm();
        EXPECT_TRUE(tap.isArmed());
        EXPECT_EQ(keyboard().tapCount(), 1u);

        tap.disarm();
        tap.disarm();
        EXPECT_FALSE(tap.isArmed());
        keyboard().press(code("escape"));
        EXPECT_TRUE(seen.empty());
        tap.arm();
    }
    // Destruction disarms.
    EXPECT_EQ(keyboard().tapCount(), 0u);
    keyboard().press(code("escape"));
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(appKeys(), (Keys{"down escape", "up escape", "down escape", "up escape", "down escape", "up escape"}));
}

TEST_F(TransientKeyTapTest, SwitchedOffBySystemItSwitchesItselfBackOn) {
    TransientKeyTap tap(keyboard(), true);
    watch(tap);
    tap.arm();
    keyboard().disableTapsByTimeout();
    EXPECT_EQ(keyboard().enabledTapCount(), 1u);
    keyboard().press(code("escape"));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(appKeys(), (Keys{"up escape"}));
}

TEST_F(TransientKeyTapTest, DisarmedWhenReleasedItHoldsBackTheRestOfTheKeysItTook) {
    TransientKeyTap tap(keyboard(), true, true);
    tap.onKey = [&](const TransientKeyTap::KeyEvent& key) {
        seen.push_back(key);
        if (key.code == code("escape") && !key.isKeyUp) tap.disarmWhenReleased();
        return key.code == code("escape") || key.code == code("return");
    };
    tap.arm();
    keyboard().keyDown(code("a"));  // declined: its release is the application's
    keyboard().keyDown(code("return"));
    keyboard().keyDown(code("escape"));
    EXPECT_FALSE(tap.isArmed());
    EXPECT_EQ(keyboard().tapCount(), 1u);
    env.desktop().advanceBy(0.55);  // Escape repeats
    keyboard().keyUp(code("a"));
    keyboard().keyUp(code("escape"));
    keyboard().press(code("space"));
    EXPECT_EQ(keyboard().tapCount(), 1u) << "Return is still down";
    keyboard().keyUp(code("return"));
    EXPECT_EQ(keyboard().tapCount(), 0u);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(appKeys(), (Keys{"down a", "up a", "down space", "up space"}));

    // Nothing held: it goes at once, and arming again brings back a lingering tap into service.
    tap.arm();
    tap.disarmWhenReleased();
    EXPECT_EQ(keyboard().tapCount(), 0u);
    tap.arm();
    keyboard().keyDown(code("return"));
    tap.disarmWhenReleased();
    tap.arm();
    keyboard().keyUp(code("return"));
    EXPECT_TRUE(seen.back().isKeyUp);
    EXPECT_TRUE(tap.isArmed());
}

TEST_F(TransientKeyTapTest, OwnerMayDisarmOrDestroyFromInsideOnKey) {
    auto tap = std::make_unique<TransientKeyTap>(keyboard(), true, true);
    tap->onKey = [&](const TransientKeyTap::KeyEvent& key) {
        seen.push_back(key);
        tap->disarm();
        return true;
    };
    tap->arm();
    keyboard().press(code("escape"));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(appKeys(), (Keys{"up escape"}));  // the claim stood; the key-up came after disarming

    tap->onKey = [&](const TransientKeyTap::KeyEvent& key) {
        seen.push_back(key);
        tap.reset();
        return true;
    };
    tap->arm();
    keyboard().press(code("escape"));
    EXPECT_EQ(tap, nullptr);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(keyboard().tapCount(), 0u);
}

}  // namespace
}  // namespace tarnlet
