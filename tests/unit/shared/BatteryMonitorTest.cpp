#include "shared/BatteryMonitor.h"

#include <limits>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "diagnostics/Log.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using State = BatteryMonitor::State;

class BatteryMonitorTest : public ::testing::Test {
protected:
    // The simulated battery announces its initial charge; let that pass before anyone listens.
    void SetUp() override { env.desktop().runUntilIdle(); }
    sim::SimPowerSources& power() { return env.desktop().powerSources(); }
    std::optional<State> stateFor(PowerSourceDescription battery) {
        power().setSources({std::move(battery)});
        return monitor.currentState();
    }

    test::TestEnvironment env;
    BatteryMonitor monitor{env.desktop().powerSources()};
    std::vector<State> seen[2];
};

TEST_F(BatteryMonitorTest, ReadsTheInternalBatteryAfresh) {
    EXPECT_EQ(stateFor({"InternalBattery", "Battery Power", 4500, 5000}), (State{true, 90}));
    // Integer division: 4999 of 5000 is still 99 %.
    EXPECT_EQ(stateFor({"InternalBattery", "Battery Power", 4999, 5000}), (State{true, 99}));
    // Without a usable maximum the current capacity is the level itself.
    EXPECT_EQ(stateFor({"InternalBattery", "Battery Power", 73, std::nullopt}), (State{true, 73}));
    EXPECT_EQ(stateFor({"InternalBattery", "Battery Power", 73, 0}), (State{true, 73}));
    // A battery that does not report its charge counts as full.
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", std::nullopt, 5000}), (State{false, 100}));

    // An adapter plugged in at 5 %; each call reads the system again.
    power().setBattery(5, false);
    EXPECT_EQ(monitor.currentState(), (State{false, 5}));
    power().unplug();
    EXPECT_EQ(monitor.currentState(), (State{true, 5}));

    // Only the internal battery counts, wherever it is listed; a desktop computer has none.
    power().setSources({{"UPS", "Battery Power", 10, 100}, {"InternalBattery", "AC Power", 2500, 5000}});
    EXPECT_EQ(monitor.currentState(), (State{false, 50}));
    power().removeBattery();
    EXPECT_EQ(monitor.currentState(), std::nullopt);
    power().setSources({{"UPS", "Battery Power", 10, 100}});
    EXPECT_EQ(monitor.currentState(), std::nullopt);
}

TEST_F(BatteryMonitorTest, ImplausibleReadingsStayWithinZeroToHundred) {
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", 5100, 5000}), (State{false, 100}));
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", -20, 5000}), (State{false, 0}));
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", 4500, std::nullopt}), (State{false, 100}));
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", 50, -3}), (State{false, 50}));
    const long long huge = std::numeric_limits<long long>::max();
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", huge, huge}), (State{false, 100}));
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", huge / 2, huge}), (State{false, 50}));
    EXPECT_EQ(stateFor({"InternalBattery", "AC Power", huge, 5000}), (State{false, 100}));
}

TEST_F(BatteryMonitorTest, RunsFromTheFirstSubscriberToTheLast) {
    EXPECT_FALSE(monitor.isRunning());
    Subscription first = monitor.subscribe([this](State s) { seen[0].push_back(s); });
    Subscription second = monitor.subscribe([](State) {});
    // Replacing a subscription keeps the one source.
    second = monitor.subscribe([this](State s) { seen[1].push_back(s); });
    EXPECT_TRUE(monitor.isRunning());
    EXPECT_EQ(monitor.subscriberCount(), 2u);
    EXPECT_EQ(power().observerCount(), 1u);

    power().setBattery(40, true);
    env.desktop().runUntilIdle();
    EXPECT_EQ(seen[0], (std::vector<State>{{true, 40}}));
    EXPECT_EQ(seen[1], (std::vector<State>{{true, 40}}));

    first.cancel();
    EXPECT_TRUE(monitor.isRunning());
    power().plugIn();
    env.desktop().runUntilIdle();
    EXPECT_EQ(seen[0].size(), 1u);
    EXPECT_EQ(seen[1], (std::vector<State>{{true, 40}, {false, 40}}));

    second.cancel();
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(power().observerCount(), 0u);
    power().setPercent(30);
    env.desktop().runUntilIdle();
    EXPECT_EQ(seen[1].size(), 2u);
}

TEST_F(BatteryMonitorTest, NotificationsWithoutABatteryCallNobody) {
    const Subscription subscription = monitor.subscribe([this](State s) { seen[0].push_back(s); });
    power().removeBattery();
    env.desktop().runUntilIdle();
    EXPECT_TRUE(seen[0].empty());
}

TEST_F(BatteryMonitorTest, ANotificationAfterTheMonitorIsGoneDoesNothing) {
    auto owned = std::make_unique<BatteryMonitor>(power());
    Subscription subscription = owned->subscribe([this](State s) { seen[0].push_back(s); });
    power().setPercent(20);  // announced later, on the main queue
    owned.reset();
    EXPECT_EQ(power().observerCount(), 0u);
    env.desktop().runUntilIdle();
    EXPECT_TRUE(seen[0].empty());
    subscription.cancel();  // harmless once the monitor is gone
}

TEST_F(BatteryMonitorTest, ARefusedNotificationSourceIsAnErrorAndRetriedOnTheNextSubscription) {
    // Diagnostics are off, as for most users: the line must reach the system log all the same.
    Log::setSystemLog(&env.desktop().systemLog());
    power().setNotificationsAvailable(false);
    const Subscription first = monitor.subscribe([this](State s) { seen[0].push_back(s); });
    Log::setSystemLog(nullptr);

    const auto& lines = env.desktop().systemLog().lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Awake: could not create battery notification source");
    EXPECT_TRUE(lines[0].error);
    EXPECT_FALSE(monitor.isRunning());
    // Readings still work without notifications.
    power().setBattery(60, true);
    env.desktop().runUntilIdle();
    EXPECT_TRUE(seen[0].empty());
    EXPECT_EQ(monitor.currentState(), (State{true, 60}));

    power().setNotificationsAvailable(true);
    const Subscription second = monitor.subscribe([this](State s) { seen[1].push_back(s); });
    EXPECT_TRUE(monitor.isRunning());
    power().setPercent(55);
    env.desktop().runUntilIdle();
    EXPECT_EQ(seen[0], (std::vector<State>{{true, 55}}));
    EXPECT_EQ(seen[1], (std::vector<State>{{true, 55}}));
}

}  // namespace
}  // namespace tarnlet
