#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/SimKeyboard.h"
#include "support/TestEnvironment.h"

namespace tarnlet::sim {
namespace {

constexpr EventMask kKeyMask = maskOf(EventType::keyDown) | maskOf(EventType::keyUp);
constexpr EventMask kFlagsMask = maskOf(EventType::flagsChanged);

std::uint16_t code(const char* name) { return *SimKeyboard::keyCode(name); }

class SimKeyboardTest : public ::testing::Test {
protected:
    SimDesktop& desktop() { return env.desktop(); }
    SimKeyboard& keyboard() { return env.desktop().keyboard(); }

    // The key-downs the front application received, by key name, repeats marked with "+".
    std::vector<std::string> deliveredKeyDowns() {
        std::vector<std::string> out;
        for (const auto& d : keyboard().delivered())
            if (d.event.type == EventType::keyDown)
                out.push_back(SimKeyboard::keyName(d.event.keyCode) + (d.event.isRepeat ? "+" : ""));
        return out;
    }

    test::TestEnvironment env;
};

TEST_F(SimKeyboardTest, TapsRunNewestFirstAndAFilteringSwallowStopsTheChain) {
    std::vector<std::string> order;
    auto oldest = keyboard().createTap(kKeyMask, TapMode::filtering, [&](const InputEvent& e) {
        if (e.type == EventType::keyDown) order.push_back("oldest");
        return TapDecision::pass;
    });
    auto swallowing = keyboard().createTap(kKeyMask, TapMode::filtering, [&](const InputEvent& e) {
        if (e.type != EventType::keyDown) return TapDecision::pass;
        order.push_back("swallowing");
        return e.keyCode == code("x") ? TapDecision::swallow : TapDecision::pass;
    });
    // A listen-only tap asking to swallow is only watching: the event goes on.
    auto listener = keyboard().createTap(kKeyMask, TapMode::listenOnly, [&](const InputEvent& e) {
        if (e.type == EventType::keyDown) order.push_back("listener");
        return TapDecision::swallow;
    });
    ASSERT_TRUE(oldest && swallowing && listener);
    EXPECT_EQ(keyboard().tapCount(), 3u);

    keyboard().press(code("a"));
    EXPECT_EQ(order, (std::vector<std::string>{"listener", "swallowing", "oldest"}));
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"a"}));

    order.clear();
    keyboard().press(code("x"));
    EXPECT_EQ(order, (std::vector<std::string>{"listener", "swallowing"}));
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"a"}));

    // A tap whose mask does not cover the event never hears of it.
    int flagCalls = 0;
    auto flagsOnly = keyboard().createTap(kFlagsMask, TapMode::filtering, [&](const InputEvent&) {
        ++flagCalls;
        return TapDecision::pass;
    });
    keyboard().press(code("a"));
    EXPECT_EQ(flagCalls, 0);
}

TEST_F(SimKeyboardTest, DisabledTapsCostNothingAndRemovalInsideACallbackIsSafe) {
    int disabledCalls = 0;
    auto disabled = keyboard().createTap(kKeyMask, TapMode::filtering, [&](const InputEvent&) {
        ++disabledCalls;
        return TapDecision::swallow;
    });
    disabled->setEnabled(false);
    EXPECT_FALSE(disabled->isEnabled());
    EXPECT_EQ(keyboard().enabledTapCount(), 0u);

    std::unique_ptr<EventTap> removesItself;
    std::unique_ptr<EventTap> removedByOther;
    int otherCalls = 0;
    int selfCalls = 0;
    removedByOther = keyboard().createTap(kKeyMask, TapMode::filtering, [&](const InputEvent&) {
        ++otherCalls;
        return TapDecision::pass;
    });
    removesItself = keyboard().createTap(kKeyMask, TapMode::filtering, [&, marker = std::make_shared<int>(1)](
                                                                          const InputEvent&) {
        ++selfCalls;
        removesItself.reset();
        removedByOther.reset();
        EXPECT_EQ(*marker, 1);  // captures outlive the removal while the callback runs
        return TapDecision::pass;
    });

    keyboard().keyDown(code("a"));
    EXPECT_EQ(selfCalls, 1);
    EXPECT_EQ(otherCalls, 0);  // removed before its turn came
    EXPECT_EQ(keyboard().tapCount(), 1u);
    keyboard().keyUp(code("a"));
    EXPECT_EQ(selfCalls, 1);
    EXPECT_EQ(disabledCalls, 0);
    EXPECT_EQ(keyboard().keyCallbackCount(), 1u);
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"a"}));

    // Switched back on, a tap hears events again; destroying its handle takes it out of the chain.
    disabled->setEnabled(true);
    keyboard().press(code("b"));
    EXPECT_EQ(disabledCalls, 2);
    disabled.reset();
    EXPECT_EQ(keyboard().tapCount(), 0u);
}

TEST_F(SimKeyboardTest, TapCreationNeedsTheAccessibilityPermission) {
    desktop().permissions().setAccessibilityTrusted(false);
    EXPECT_EQ(keyboard().createTap(kKeyMask, TapMode::filtering, [](const InputEvent&) { return TapDecision::pass; }),
              nullptr);
    desktop().permissions().setAccessibilityTrusted(true);
    EXPECT_EQ(keyboard().createTap(kKeyMask, TapMode::filtering, nullptr), nullptr);
    EXPECT_NE(keyboard().createTap(kKeyMask, TapMode::filtering, [](const InputEvent&) { return TapDecision::pass; }),
              nullptr);
}

TEST_F(SimKeyboardTest, ModifierKeysKeepLeftRightAndDeviceIndependentBits) {
    std::vector<std::uint64_t> flagEvents;
    auto tap = keyboard().createTap(kFlagsMask, TapMode::listenOnly, [&](const InputEvent& e) {
        flagEvents.push_back(e.flags);
        return TapDecision::pass;
    });
    const std::uint64_t base = ModifierFlag::nonCoalesced;
    EXPECT_EQ(keyboard().flags(), base);

    keyboard().keyDown(code("rcmd"));
    keyboard().keyDown(code("lcmd"));
    keyboard().keyDown(code("lcmd"));  // already down: no second event
    keyboard().keyUp(code("rcmd"));
    keyboard().keyDown(code("ropt"));
    keyboard().keyUp(code("lcmd"));
    keyboard().keyUp(code("ropt"));
    keyboard().keyUp(code("ropt"));  // already up: no event
    const std::uint64_t command = ModifierFlag::command;
    EXPECT_EQ(flagEvents, (std::vector<std::uint64_t>{
                              base | command | ModifierFlag::rightCommand,
                              base | command | ModifierFlag::rightCommand | ModifierFlag::leftCommand,
                              base | command | ModifierFlag::leftCommand,
                              base | command | ModifierFlag::leftCommand | ModifierFlag::option |
                                  ModifierFlag::rightOption,
                              base | ModifierFlag::option | ModifierFlag::rightOption,
                              base,
                          }));

    // Key events carry the flags of the moment, and the characters they type.
    keyboard().keyDown(code("lshift"));
    keyboard().keyDown(code("rctrl"));
    keyboard().press(code("a"));
    keyboard().releaseAll();
    const auto& delivered = keyboard().delivered();
    std::vector<InputEvent> keyDowns;
    for (const auto& d : delivered)
        if (d.event.type == EventType::keyDown) keyDowns.push_back(d.event);
    ASSERT_EQ(keyDowns.size(), 1u);
    EXPECT_EQ(keyDowns[0].flags, base | ModifierFlag::shift | ModifierFlag::leftShift | ModifierFlag::control |
                                     ModifierFlag::rightControl);
    EXPECT_EQ(keyDowns[0].characters, "A");
    EXPECT_EQ(delivered.front().application, SimKeyboard::kDefaultFrontApplication);
    EXPECT_FALSE(keyboard().isDown(code("lshift")));
    EXPECT_EQ(keyboard().flags(), base);
}

TEST_F(SimKeyboardTest, KeysTypeTheirCharactersAndNavigationKeysTypeFunctionKeyCharacters) {
    EXPECT_EQ(SimKeyboard::characters(*SimKeyboard::keyCode("a"), ModifierFlag::shift), "A");
    EXPECT_EQ(SimKeyboard::characters(*SimKeyboard::keyCode(";"), ModifierFlag::shift), ":");
    EXPECT_EQ(SimKeyboard::characters(*SimKeyboard::keyCode("return"), 0), "\r");
    // Arrows and function keys type characters of the private range U+F700 to U+F8FF, which
    // text fields and pickers recognise and leave alone.
    EXPECT_EQ(SimKeyboard::characters(*SimKeyboard::keyCode("left"), 0), "\uF702");
    EXPECT_EQ(SimKeyboard::characters(*SimKeyboard::keyCode("f5"), 0), "\uF708");
    EXPECT_EQ(SimKeyboard::characters(*SimKeyboard::keyCode("rcmd"), 0), "");
}

TEST_F(SimKeyboardTest, HeldKeysRepeatOnTheVirtualClock) {
    keyboard().keyDown(code("a"));
    desktop().advanceBy(0.499);
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"a"}));
    desktop().advanceBy(0.001);
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"a", "a+"}));
    desktop().advanceBy(0.25);  // repeats at 0.6 and 0.7
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"a", "a+", "a+", "a+"}));

    // A second key takes over the repeat; releasing the first does not stop it.
    keyboard().clearDelivered();
    keyboard().keyDown(code("b"));
    desktop().advanceBy(0.3);
    keyboard().keyUp(code("a"));
    desktop().advanceBy(0.32);  // repeats 0.5 and 0.6 after the press
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"b", "b+", "b+"}));

    // Releasing the repeating key ends it for good.
    keyboard().keyUp(code("b"));
    keyboard().clearDelivered();
    desktop().advanceBy(5.0);
    EXPECT_TRUE(deliveredKeyDowns().empty());
    EXPECT_EQ(desktop().queue().pendingCount(), 0u);

    // Modifiers never repeat, and a key held across a modifier change repeats with the new flags.
    keyboard().keyDown(code("lshift"));
    desktop().advanceBy(1.0);
    EXPECT_TRUE(deliveredKeyDowns().empty());
    keyboard().keyDown(code("c"));
    keyboard().keyUp(code("lshift"));
    desktop().advanceBy(0.5);
    std::vector<std::string> typed;
    for (const auto& d : keyboard().delivered())
        if (d.event.type == EventType::keyDown) typed.push_back(d.event.characters);
    EXPECT_EQ(typed, (std::vector<std::string>{"C", "c"}));
    keyboard().releaseAll();
}

TEST_F(SimKeyboardTest, PostedEventsEnterTheChainOnTheNextTurn) {
    std::vector<std::int64_t> seenMarkers;
    auto tap = keyboard().createTap(kKeyMask, TapMode::filtering, [&](const InputEvent& e) {
        seenMarkers.push_back(e.userData);
        return TapDecision::pass;
    });
    InputEvent event;
    event.type = EventType::keyDown;
    event.keyCode = code("v");
    event.flags = ModifierFlag::command;
    event.userData = kSyntheticEventMarker;
    keyboard().post(event);
    EXPECT_TRUE(seenMarkers.empty());
    EXPECT_TRUE(keyboard().delivered().empty());

    desktop().runUntilIdle();
    EXPECT_EQ(seenMarkers, (std::vector<std::int64_t>{kSyntheticEventMarker}));
    ASSERT_EQ(keyboard().delivered().size(), 1u);
    EXPECT_EQ(keyboard().delivered()[0].event.userData, kSyntheticEventMarker);
}

TEST_F(SimKeyboardTest, TimeoutDisablesAndNotifiesOnlyEnabledTaps) {
    std::vector<std::string> notified;
    auto enabled = keyboard().createTap(kKeyMask, TapMode::filtering, [&](const InputEvent& e) {
        if (e.type == EventType::tapDisabledByTimeout) notified.push_back("enabled");
        return TapDecision::pass;
    });
    auto listener = keyboard().createTap(kFlagsMask, TapMode::listenOnly, [&](const InputEvent& e) {
        if (e.isTapDisabled()) notified.push_back("listener");
        return TapDecision::pass;
    });
    auto off = keyboard().createTap(kKeyMask, TapMode::filtering, [&](const InputEvent&) {
        notified.push_back("off");
        return TapDecision::pass;
    });
    off->setEnabled(false);

    keyboard().disableTapsByTimeout();
    EXPECT_EQ(notified, (std::vector<std::string>{"listener", "enabled"}));
    EXPECT_FALSE(enabled->isEnabled());
    EXPECT_FALSE(listener->isEnabled());
    EXPECT_EQ(keyboard().enabledTapCount(), 0u);

    // Switched off, they hear nothing until re-enabled.
    notified.clear();
    keyboard().press(code("a"));
    keyboard().disableTapsByTimeout();
    EXPECT_TRUE(notified.empty());
    enabled->setEnabled(true);
    keyboard().disableTapsByTimeout();
    EXPECT_EQ(notified, (std::vector<std::string>{"enabled"}));
}

TEST_F(SimKeyboardTest, ADeliveryHandlerMayTypeInTurn) {
    std::vector<std::string> seen;
    keyboard().onDeliver = [&](const SimKeyboard::Delivery& d) {
        if (d.event.type == EventType::keyDown && d.event.keyCode == code("a"))
            for (int i = 0; i < 40; ++i) keyboard().press(code("b"));
        seen.push_back(SimKeyboard::keyName(d.event.keyCode) + "@" + d.application);
    };
    keyboard().setFrontApplication("com.example.editor");
    keyboard().press(code("a"));
    // The b presses (down and up) came first; the record of the a key-down stayed intact meanwhile.
    ASSERT_EQ(seen.size(), 82u);
    EXPECT_EQ(seen[79], "b@com.example.editor");
    EXPECT_EQ(seen[80], "a@com.example.editor");
}

TEST_F(SimKeyboardTest, HotKeysConsumeTheirCombinationsAndReportOnlyOurs) {
    auto& hotKeys = desktop().hotKeys();
    std::vector<HotKeyIdentity> reported;
    Subscription handler = hotKeys.installHandler([&](HotKeyIdentity id) { reported.push_back(id); });
    constexpr std::uint32_t kControlOptionShift =
        HotKeyModifier::control | HotKeyModifier::option | HotKeyModifier::shift;

    auto ours = hotKeys.registerHotKey(code("c"), kControlOptionShift, {0x484B4559, 1});
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(hotKeys.registerHotKey(code("c"), kControlOptionShift, {0x484B4559, 2}), nullptr);
    hotKeys.takeByOtherApplication(code("v"), HotKeyModifier::command);
    EXPECT_EQ(hotKeys.registerHotKey(code("v"), HotKeyModifier::command, {0x484B4559, 3}), nullptr);
    EXPECT_EQ(hotKeys.registrationCount(), 1u);

    // Right-hand modifiers count the same as left-hand ones.
    keyboard().keyDown(code("rctrl"));
    keyboard().keyDown(code("ropt"));
    keyboard().keyDown(code("rshift"));
    keyboard().press(code("c"));
    keyboard().releaseAll();
    keyboard().keyDown(code("cmd"));
    keyboard().press(code("v"));
    keyboard().releaseAll();
    EXPECT_EQ(reported, (std::vector<HotKeyIdentity>{{0x484B4559, 1}}));
    EXPECT_TRUE(deliveredKeyDowns().empty());

    // A swallowing tap sees the combination first; the service then never does.
    auto tap = keyboard().createTap(kKeyMask, TapMode::filtering, [](const InputEvent&) { return TapDecision::swallow; });
    for (const char* m : {"lctrl", "lopt", "lshift"}) keyboard().keyDown(code(m));
    keyboard().press(code("c"));
    keyboard().releaseAll();
    tap.reset();
    EXPECT_EQ(reported.size(), 1u);

    // Released, the combination is free again and reaches the application.
    ours.reset();
    EXPECT_EQ(hotKeys.registrationCount(), 0u);
    for (const char* m : {"lctrl", "lopt", "lshift"}) keyboard().keyDown(code(m));
    keyboard().press(code("c"));
    keyboard().releaseAll();
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_EQ(deliveredKeyDowns(), (std::vector<std::string>{"c"}));

    // A cancelled handler hears nothing.
    handler.cancel();
    EXPECT_FALSE(hotKeys.isHandlerInstalled());
    hotKeys.deliver({0x484B4559, 1});
    EXPECT_EQ(reported.size(), 1u);
}

TEST(SimHotKeysTest, ModifierMaskTakesOnlyTheFourServiceModifiers) {
    EXPECT_EQ(SimHotKeys::modifiersFromFlags(ModifierFlag::command | ModifierFlag::rightCommand), HotKeyModifier::command);
    EXPECT_EQ(SimHotKeys::modifiersFromFlags(ModifierFlag::control | ModifierFlag::option | ModifierFlag::shift),
              0x1A00u);
    EXPECT_EQ(SimHotKeys::modifiersFromFlags(ModifierFlag::capsLock | ModifierFlag::function |
                                             ModifierFlag::nonCoalesced),
              0u);
}

TEST(SimHotKeysTest, RegistrationHandlesMayOutliveTheService) {
    std::unique_ptr<HotKeyRegistration> registration;
    Subscription handler;
    {
        SimHotKeys hotKeys;
        registration = hotKeys.registerHotKey(8, HotKeyModifier::command, {1, 1});
        handler = hotKeys.installHandler([](HotKeyIdentity) {});
        ASSERT_NE(registration, nullptr);
    }
    registration.reset();
    handler.cancel();
}

}  // namespace
}  // namespace tarnlet::sim
