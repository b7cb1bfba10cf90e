#include "keys/HotKeyWatcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/sim/SimKeyboard.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

constexpr std::uint16_t kKeyC = 8;
constexpr std::uint16_t kKeyV = 9;
constexpr std::uint32_t kControlOptionShift =
    HotKeyModifier::control | HotKeyModifier::option | HotKeyModifier::shift;  // 0x1A00

std::uint16_t code(const char* name) { return *sim::SimKeyboard::keyCode(name); }

class HotKeyWatcherTest : public ::testing::Test {
protected:
    sim::SimHotKeys& hotKeys() { return env.desktop().hotKeys(); }
    sim::SimKeyboard& keyboard() { return env.desktop().keyboard(); }

    // Control-Option-Shift held with the left-hand keys, then the key struck.
    void pressWithControlOptionShift(std::uint16_t key) {
        for (const char* modifier : {"lctrl", "lopt", "lshift"}) keyboard().keyDown(code(modifier));
        keyboard().press(key);
        keyboard().releaseAll();
    }

    test::TestEnvironment env;
    HotKeyWatcher watcher{env.desktop().hotKeys()};
};

TEST_F(HotKeyWatcherTest, IdentifiersStartAtOneAndAreNeitherConsumedByRefusalsNorReused) {
    hotKeys().takeByOtherApplication(kKeyV, HotKeyModifier::command);

    EXPECT_EQ(watcher.registerHotKey(kKeyC, kControlOptionShift, [] {}), 1u);
    // Taken by another application, and our own combination a second time: both refused.
    EXPECT_EQ(watcher.registerHotKey(kKeyV, HotKeyModifier::command, [] {}), std::nullopt);
    EXPECT_EQ(watcher.registerHotKey(kKeyC, kControlOptionShift, [] {}), std::nullopt);
    EXPECT_EQ(watcher.registerHotKey(kKeyV, HotKeyModifier::control, [] {}), 2u);
    EXPECT_EQ(watcher.count(), 2u);
    EXPECT_EQ(hotKeys().registrationCount(), 2u);

    watcher.unregisterHotKey(2);
    watcher.unregisterHotKey(2);   // twice is harmless
    watcher.unregisterHotKey(99);  // never handed out
    EXPECT_EQ(watcher.count(), 1u);
    EXPECT_EQ(hotKeys().registrationCount(), 1u);

    // The freed combination can be registered again, under a fresh identifier.
    EXPECT_EQ(watcher.registerHotKey(kKeyV, HotKeyModifier::control, [] {}), 3u);
}

TEST_F(HotKeyWatcherTest, HandlerIsInstalledOnlyWhileSomethingIsRegistered) {
    EXPECT_FALSE(watcher.isHandlerInstalled());
    EXPECT_FALSE(hotKeys().isHandlerInstalled());

    // A refusal while nothing is registered leaves no handler behind.
    hotKeys().takeByOtherApplication(kKeyV, HotKeyModifier::command);
    EXPECT_EQ(watcher.registerHotKey(kKeyV, HotKeyModifier::command, [] {}), std::nullopt);
    EXPECT_FALSE(watcher.isHandlerInstalled());
    EXPECT_FALSE(hotKeys().isHandlerInstalled());

    const auto first = watcher.registerHotKey(kKeyC, kControlOptionShift, [] {});
    const auto second = watcher.registerHotKey(kKeyC, HotKeyModifier::command, [] {});
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(hotKeys().isHandlerInstalled());

    // A refusal while others are registered keeps the handler for them.
    EXPECT_EQ(watcher.registerHotKey(kKeyV, HotKeyModifier::command, [] {}), std::nullopt);
    EXPECT_TRUE(hotKeys().isHandlerInstalled());

    watcher.unregisterHotKey(*first);
    EXPECT_TRUE(hotKeys().isHandlerInstalled());
    watcher.unregisterHotKey(*second);
    EXPECT_FALSE(watcher.isHandlerInstalled());
    EXPECT_FALSE(hotKeys().isHandlerInstalled());

    int runs = 0;
    const auto third = watcher.registerHotKey(kKeyC, kControlOptionShift, [&] { ++runs; });
    ASSERT_TRUE(third);
    EXPECT_TRUE(hotKeys().isHandlerInstalled());
    hotKeys().deliver({HotKeyWatcher::kSignature, *third});
    EXPECT_EQ(runs, 1);
}

TEST_F(HotKeyWatcherTest, DeliveriesRunOnlyTheMatchingActionOfOurSignature) {
    std::vector<int> runs;
    const auto a = watcher.registerHotKey(kKeyC, kControlOptionShift, [&] { runs.push_back(1); });
    const auto b = watcher.registerHotKey(kKeyV, kControlOptionShift, [&] { runs.push_back(2); });
    ASSERT_TRUE(a && b);

    hotKeys().deliver({0x41424344, *a});  // another signature, same identifier
    hotKeys().deliver({HotKeyWatcher::kSignature, 77});
    EXPECT_TRUE(runs.empty());

    hotKeys().deliver({HotKeyWatcher::kSignature, *b});
    hotKeys().deliver({HotKeyWatcher::kSignature, *a});
    EXPECT_EQ(runs, (std::vector<int>{2, 1}));

    // An unregistered identifier no longer runs, even if the system still reports it.
    watcher.unregisterHotKey(*a);
    hotKeys().deliver({HotKeyWatcher::kSignature, *a});
    EXPECT_EQ(runs.size(), 2u);
}

TEST_F(HotKeyWatcherTest, ThePressedCombinationRunsItsActionAndNeverReachesTheFrontApplication) {
    int runs = 0;
    ASSERT_EQ(watcher.registerHotKey(kKeyC, kControlOptionShift, [&] { ++runs; }), 1u);

    pressWithControlOptionShift(kKeyC);
    EXPECT_EQ(runs, 1);
    for (const auto& delivery : keyboard().delivered())
        EXPECT_FALSE(delivery.event.type == EventType::keyDown && delivery.event.keyCode == kKeyC);

    // A different set of modifiers is not the combination: the application gets the key.
    keyboard().clearDelivered();
    keyboard().keyDown(code("lctrl"));
    keyboard().press(kKeyC);
    keyboard().releaseAll();
    EXPECT_EQ(runs, 1);
    bool reached = false;
    for (const auto& delivery : keyboard().delivered())
        reached |= delivery.event.type == EventType::keyDown && delivery.event.keyCode == kKeyC;
    EXPECT_TRUE(reached);
}

TEST_F(HotKeyWatcherTest, ActionsMayUnregisterThemselvesAndRegisterOthers) {
    int selfRuns = 0;
    int laterRuns = 0;
    std::optional<std::uint32_t> self;
    std::optional<std::uint32_t> later;
    self = watcher.registerHotKey(kKeyC, kControlOptionShift, [&, marker = std::make_shared<int>(7)] {
        ++selfRuns;
        watcher.unregisterHotKey(*self);
        later = watcher.registerHotKey(kKeyV, kControlOptionShift, [&] { ++laterRuns; });
        // The captured state is still usable after the stored action was dropped.
        EXPECT_EQ(*marker, 7);
    });
    ASSERT_TRUE(self);

    pressWithControlOptionShift(kKeyC);
    EXPECT_EQ(selfRuns, 1);
    ASSERT_EQ(later, 2u);
    EXPECT_TRUE(hotKeys().isHandlerInstalled());

    pressWithControlOptionShift(kKeyC);  // gone: now an ordinary key for the application
    pressWithControlOptionShift(kKeyV);
    EXPECT_EQ(selfRuns, 1);
    EXPECT_EQ(laterRuns, 1);

    // The last action unregistering itself removes the handler while it runs.
    watcher.unregisterHotKey(*later);
    const auto last = watcher.registerHotKey(kKeyC, kControlOptionShift, [&] { watcher.unregisterHotKey(3); });
    ASSERT_EQ(last, 3u);
    pressWithControlOptionShift(kKeyC);
    EXPECT_EQ(watcher.count(), 0u);
    EXPECT_FALSE(hotKeys().isHandlerInstalled());
}

TEST_F(HotKeyWatcherTest, DestroyingTheWatcherReleasesItsCombinationsAndHandler) {
    int runs = 0;
    {
        HotKeyWatcher other(hotKeys());
        ASSERT_TRUE(other.registerHotKey(kKeyC, kControlOptionShift, [&] { ++runs; }));
        EXPECT_EQ(hotKeys().registrationCount(), 1u);
    }
    EXPECT_EQ(hotKeys().registrationCount(), 0u);
    EXPECT_FALSE(hotKeys().isHandlerInstalled());
    hotKeys().deliver({HotKeyWatcher::kSignature, 1});
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(watcher.registerHotKey(kKeyC, kControlOptionShift, [] {}), 1u);
}

TEST_F(HotKeyWatcherTest, AnEmptyActionIsHarmless) {
    const auto id = watcher.registerHotKey(kKeyC, kControlOptionShift, nullptr);
    ASSERT_TRUE(id);
    hotKeys().deliver({HotKeyWatcher::kSignature, *id});
    pressWithControlOptionShift(kKeyC);
    EXPECT_EQ(watcher.count(), 1u);
}

}  // namespace
}  // namespace tarnlet
