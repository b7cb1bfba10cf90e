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

    test::TestEnvironment env;
    ModifierWatcher watcher{env.desktop().keyboard()};
    int owners[3] = {};
    std::vector<std::uint64_t> seen[3];
};

TEST_F(ModifierWatcherTest, OneTapFansOutToEverySubscriber) {
    EXPECT_FALSE(watcher.isRunning());
    for (int i = 0; i < 3; ++i)
        watcher.subscribe(&owners[i], [this, i](std::uint64_t flags) { seen[i].push_back(flags); });
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
    watcher.subscribe(&owners[0], [](std::uint64_t) {});
    watcher.subscribe(&owners[1], [](std::uint64_t) {});
    // Subscribing again replaces the handler and keeps the one tap.
    watcher.subscribe(&owners[1], [this](std::uint64_t flags) { seen[1].push_back(flags); });
    EXPECT_EQ(watcher.subscriberCount(), 2u);
    EXPECT_EQ(keyboard().tapCount(), 1u);

    watcher.unsubscribe(&owners[0]);
    EXPECT_TRUE(watcher.isRunning());
    keyboard().press(code("ropt"));
    EXPECT_EQ(seen[1].size(), 2u);

    watcher.unsubscribe(&owners[2]);  // never subscribed: harmless
    watcher.unsubscribe(&owners[1]);
    EXPECT_FALSE(watcher.isRunning());
    EXPECT_EQ(keyboard().tapCount(), 0u);
    keyboard().press(code("ropt"));
    EXPECT_EQ(seen[1].size(), 2u);
}

TEST_F(ModifierWatcherTest, HandlersMayLeaveDuringTheFanOut) {
    // The first handler (by owner order) unsubscribes itself and the last owner; the departed owner
    // is not called, the middle one is.
    int* first = &owners[0];
    int* last = &owners[2];
    watcher.subscribe(first, [&](std::uint64_t flags) {
        seen[0].push_back(flags);
        watcher.unsubscribe(first);
        watcher.unsubscribe(last);
    });
    watcher.subscribe(&owners[1], [this](std::uint64_t flags) { seen[1].push_back(flags); });
    watcher.subscribe(last, [this](std::uint64_t flags) { seen[2].push_back(flags); });

    keyboard().keyDown(code("rcmd"));
    EXPECT_EQ(seen[0].size(), 1u);
    EXPECT_EQ(seen[1].size(), 1u);
    EXPECT_TRUE(seen[2].empty());
    EXPECT_EQ(watcher.subscriberCount(), 1u);
}

TEST_F(ModifierWatcherTest, EmptyHandlerCountsAsLeaving) {
    watcher.subscribe(&owners[0], [](std::uint64_t) {});
    watcher.subscribe(&owners[0], nullptr);
    EXPECT_EQ(watcher.subscriberCount(), 0u);
    EXPECT_FALSE(watcher.isRunning());
}

TEST_F(ModifierWatcherTest, WithoutPermissionLogsAndRetriesOnTheNextSubscribe) {
    FileLog::setDirectory(env.home() / "Logs");
    Log::setSystemLog(&env.desktop().systemLog());
    Log::setDebugEnabled(true);
    env.desktop().permissions().setAccessibilityTrusted(false);

    watcher.subscribe(&owners[0], [this](std::uint64_t flags) { seen[0].push_back(flags); });
    Log::setDebugEnabled(false);
    Log::setSystemLog(nullptr);
    EXPECT_FALSE(watcher.isRunning());
    EXPECT_EQ(watcher.subscriberCount(), 1u);
    ASSERT_EQ(env.desktop().systemLog().lines().size(), 1u);
    EXPECT_EQ(env.desktop().systemLog().lines()[0].text,
              "ModifierWatcher: could not create flags tap (Accessibility not granted?)");

    env.desktop().permissions().setAccessibilityTrusted(true);
    watcher.subscribe(&owners[1], [](std::uint64_t) {});
    EXPECT_TRUE(watcher.isRunning());
    keyboard().press(code("rcmd"));
    EXPECT_EQ(seen[0].size(), 2u);
}

TEST_F(ModifierWatcherTest, SwitchedOffBySystemItSwitchesItselfBackOn) {
    watcher.subscribe(&owners[0], [this](std::uint64_t flags) { seen[0].push_back(flags); });
    keyboard().disableTapsByTimeout();
    EXPECT_EQ(keyboard().enabledTapCount(), 1u);
    keyboard().press(code("lopt"));
    EXPECT_EQ(seen[0].size(), 2u);
}

TEST(ModifierWatcherLifetimeTest, DestroyingTheWatcherRemovesItsTap) {
    test::TestEnvironment env;
    auto& keyboard = env.desktop().keyboard();
    auto watcher = std::make_unique<ModifierWatcher>(keyboard);
    int owner = 0;
    int calls = 0;
    watcher->subscribe(&owner, [&](std::uint64_t) {
        ++calls;
        watcher.reset();  // an owner tearing everything down from inside the fan-out
    });
    keyboard.press(code("rcmd"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(watcher, nullptr);
    EXPECT_EQ(keyboard.tapCount(), 0u);
}

}  // namespace
}  // namespace tarnlet
