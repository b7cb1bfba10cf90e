#include "keys/ModifierWatcher.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using sim::SimKeyboard;

std::uint16_t code(const char* name) { return *SimKeyboard::keyCode(name); }

class ModifierWatcherTest : public ::testing::Test {
protected:
    SimKeyboard& keyboard() { return env.desktop().keyboard(); }
    ModifierWatcher::Handler recorder(int i) {
        return [this, i](std::uint64_t flags) { seen[i].push_back(flags); };
    }

    test::TestEnvironment env;
    ModifierWatcher watcher{env.desktop().keyboard()};
    std::vector<std::uint64_t> seen[3];
};

TEST_F(ModifierWatcherTest, OneTapFansOutToEverySubscriber) {
    EXPECT_FALSE(watcher.isRunning());
    std::vector<Subscription> subscriptions;
    for (int i = 0; i < 3; ++i) subscriptions.push_back(watcher.subscribe(recorder(i)));
    EXPECT_TRUE(watcher.isRunning());
    EXPECT_EQ(keyboard().tapCount(), 1u);

    keyboard().keyDown(code("rcmd"));
    keyboard().press(code("j"));  // key events are not the watcher's business
    keyboard().keyUp(code("rcmd"));
    const std::vector<std::uint64_t> expected = {ModifierFlag::nonCoalesced | ModifierFlag::rightCommand |
                                                     ModifierFlag::command,
                                                 ModifierFlag::nonCoalesced};
    for (const auto& flags : seen) EXPECT_EQ(flags, expected);

    // A listen-only tap: the application still saw every event.
    EXPECT_EQ(keyboard().delivered().size(), 4u);
}

TEST_F(ModifierWatcherTest, RunsFromTheFirstSubscriberToTheLast) {
    Subscription first = watcher.subscribe([](std::uint64_t) {});
    Subscription second = watcher.subscribe([](std::uint64_t) {});
    // Replacing a subscription (the new one is made before the old one ends) keeps the one tap.
    second = watcher.subscribe(recorder(1));
    EXPECT_EQ(watcher.subscriberCount(), 2u);
    EXPECT_EQ(keyboard().tapCount(), 1u);

    first.cancel();
    EXPECT_TRUE(watcher.isRunning());
    keyboard().press(code("ropt"));
    EXPECT_EQ(seen[1].size(), 2u);

    second = Subscription();
    EXPECT_FALSE(watcher.isRunning());
    EXPECT_EQ(keyboard().tapCount(), 0u);
    keyboard().press(code("ropt"));
    EXPECT_EQ(seen[1].size(), 2u);
}

TEST_F(ModifierWatcherTest, WithoutPermissionLogsAndRetriesOnTheNextSubscribe) {
    FileLog::setDirectory(env.home() / "Logs");
    Log::setSystemLog(&env.desktop().systemLog());
    Log::setDebugEnabled(true);
    env.desktop().permissions().setAccessibilityTrusted(false);

    const Subscription first = watcher.subscribe(recorder(0));
    Log::setDebugEnabled(false);
    Log::setSystemLog(nullptr);
    EXPECT_FALSE(watcher.isRunning());
    EXPECT_EQ(watcher.subscriberCount(), 1u);
    ASSERT_EQ(env.desktop().systemLog().lines().size(), 1u);
    EXPECT_EQ(env.desktop().systemLog().lines()[0].text,
              "ModifierWatcher: could not create flags tap (Accessibility not granted?)");

    env.desktop().permissions().setAccessibilityTrusted(true);
    const Subscription second = watcher.subscribe([](std::uint64_t) {});
    EXPECT_TRUE(watcher.isRunning());
    keyboard().press(code("rcmd"));
    EXPECT_EQ(seen[0].size(), 2u);
}

TEST_F(ModifierWatcherTest, SwitchedOffBySystemItSwitchesItselfBackOn) {
    const Subscription subscription = watcher.subscribe(recorder(0));
    keyboard().disableTapsByTimeout();
    EXPECT_EQ(keyboard().enabledTapCount(), 1u);
    keyboard().press(code("lopt"));
    EXPECT_EQ(seen[0].size(), 2u);
}

TEST(ModifierWatcherLifetimeTest, DestroyingTheWatcherFromAHandlerRemovesItsTap) {
    test::TestEnvironment env;
    auto& keyboard = env.desktop().keyboard();
    auto watcher = std::make_unique<ModifierWatcher>(keyboard);
    int calls = 0;
    Subscription first = watcher->subscribe([&](std::uint64_t) {
        ++calls;
        watcher.reset();  // an owner tearing everything down from inside the fan-out
    });
    Subscription second = watcher->subscribe([&](std::uint64_t) { ++calls; });
    keyboard.press(code("rcmd"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(watcher, nullptr);
    EXPECT_EQ(keyboard.tapCount(), 0u);
    // The handles outlive the watcher harmlessly.
    first.cancel();
}

}  // namespace
}  // namespace tarnlet
