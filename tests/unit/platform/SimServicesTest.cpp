#include <gtest/gtest.h>

#include <memory>

#include "base/WeakToken.h"
#include "support/TestEnvironment.h"

namespace tarnlet::sim {
namespace {

TEST(SimPermissionsTest, BroadcastGoesOutAtOnceButTheGrantFlipsAfterTheLag) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto& permissions = desktop.permissions();
    permissions.setAccessibilityTrusted(false);
    std::vector<bool> trustSeenByObserver;
    auto sub = permissions.observeAccessibilityChanges(
        [&] { trustSeenByObserver.push_back(permissions.isAccessibilityTrusted()); });

    permissions.changeAccessibility(true, 1.0);
    desktop.runUntilIdle();
    // The observer is told at once and, like on the real system, still reads the old grant.
    EXPECT_EQ(trustSeenByObserver, (std::vector<bool>{false}));
    desktop.advanceBy(0.999);
    EXPECT_FALSE(permissions.isAccessibilityTrusted());
    desktop.advanceBy(0.001);
    EXPECT_TRUE(permissions.isAccessibilityTrusted());
    EXPECT_EQ(trustSeenByObserver.size(), 1u);
}

TEST(SimTaskQueuesTest, WorkThenReplyRunOnTheNextTurnAndReplyIsDroppedAfterOwnerDeath) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto queue = desktop.taskQueues().makeSerialQueue("census");
    EXPECT_EQ(queue->label(), "census");

    auto factory = std::make_unique<WeakFactory>();
    int worked = 0;
    int replies = 0;
    queue->postTaskAndReply<int>(factory->token(), std::function<int()>([&] { return ++worked * 10; }),
                                 std::function<void(int)>([&](int value) { replies += value; }));
    EXPECT_EQ(worked, 0);  // nothing runs synchronously
    desktop.runUntilIdle();
    EXPECT_EQ(worked, 1);
    EXPECT_EQ(replies, 10);

    queue->postTaskAndReply(factory->token(), [&] { ++worked; }, [&] { ++replies; });
    factory.reset();
    desktop.runUntilIdle();
    EXPECT_EQ(worked, 2);   // the work still runs
    EXPECT_EQ(replies, 10); // but its owner is gone, so the reply is dropped
}

}  // namespace
}  // namespace tarnlet::sim
