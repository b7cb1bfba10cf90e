#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {
namespace {

class SimMainQueueTest : public ::testing::Test {
protected:
    SimMainQueue queue{1000.0};
    std::vector<std::string> ran;
    auto record(std::string name) {
        return [this, name] { ran.push_back(name); };
    }
};

TEST_F(SimMainQueueTest, RunsByDueTimeThenByPostingOrder) {
    auto late = queue.postAfter(2.0, record("late"));
    auto early = queue.postAfter(1.0, record("early"));
    auto sameA = queue.postAfter(1.5, record("sameA"));
    auto sameB = queue.postAfter(1.5, record("sameB"));
    queue.post(record("now"));
    queue.advanceBy(5.0);
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "early", "sameA", "sameB", "late"}));
}

TEST_F(SimMainQueueTest, CancelledOrDestroyedWorkNeverRuns) {
    auto cancelled = queue.postAfter(1.0, record("cancelled"));
    cancelled.cancel();
    cancelled.cancel();  // harmless
    EXPECT_FALSE(cancelled.isPending());
    {
        auto dropped = queue.postAfter(1.0, record("dropped"));
        EXPECT_TRUE(dropped.isPending());
    }
    auto replaced = queue.postAfter(1.0, record("replaced"));
    replaced = queue.postAfter(1.0, record("replacement"));  // assignment cancels the old work
    EXPECT_EQ(queue.pendingCount(), 1u);
    queue.advanceBy(2.0);
    EXPECT_EQ(ran, (std::vector<std::string>{"replacement"}));
    EXPECT_FALSE(replaced.isPending());
    replaced.cancel();  // after it ran: harmless
}

TEST_F(SimMainQueueTest, MovedWorkItemStillControlsTheWork) {
    auto item = queue.postAfter(1.0, record("moved"));
    WorkItem other = std::move(item);
    EXPECT_FALSE(item.isPending());
    EXPECT_TRUE(other.isPending());
    other.cancel();
    queue.advanceBy(2.0);
    EXPECT_TRUE(ran.empty());
}

TEST_F(SimMainQueueTest, RunUntilIdleRunsWorkPostedByWorkForTheSameTimeOnly) {
    WorkItem later;
    queue.post([&] {
        ran.push_back("first");
        queue.post([&] {
            ran.push_back("second");
            queue.post(record("third"));
        });
        later = queue.postAfter(0.5, record("later"));
    });
    queue.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(queue.now(), 0.0);
    EXPECT_TRUE(later.isPending());
}

TEST_F(SimMainQueueTest, AdvanceByStopsExactlyAtTheTargetAndRunsNothingLater) {
    auto atTarget = queue.postAfter(2.0, record("atTarget"));
    auto justAfter = queue.postAfter(2.0000001, record("justAfter"));
    queue.advanceBy(2.0);
    EXPECT_EQ(ran, (std::vector<std::string>{"atTarget"}));
    EXPECT_DOUBLE_EQ(queue.now(), 2.0);
    EXPECT_TRUE(justAfter.isPending());
    queue.advanceBy(0.001);
    EXPECT_EQ(ran.back(), "justAfter");
}

TEST_F(SimMainQueueTest, ClockReadsEachTasksDueTimeWhileItRuns) {
    std::vector<double> seen;
    std::vector<double> wall;
    auto a = queue.postAfter(0.25, [&] { seen.push_back(queue.now()); });
    auto b = queue.postAfter(1.75, [&] {
        seen.push_back(queue.now());
        wall.push_back(queue.wallNow());
    });
    // Work scheduled from inside a task counts from that task's time, not the advance target.
    auto c = queue.postAfter(1.0, [&] {
        seen.push_back(queue.now());
        queue.post([&] { seen.push_back(queue.now()); });
    });
    queue.advanceBy(3.0);
    EXPECT_EQ(seen, (std::vector<double>{0.25, 1.0, 1.0, 1.75}));
    EXPECT_EQ(wall, (std::vector<double>{1001.75}));
    EXPECT_DOUBLE_EQ(queue.now(), 3.0);
}

TEST_F(SimMainQueueTest, NegativeOrNonFiniteDelaysMeanNow) {
    auto negative = queue.postAfter(-5.0, record("negative"));
    auto nan = queue.postAfter(std::nan(""), record("nan"));
    queue.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"negative", "nan"}));
    queue.advanceBy(-1.0);
    EXPECT_EQ(queue.now(), 0.0);
}

TEST_F(SimMainQueueTest, SleepMovesTheWallClockButNotDelayedWork) {
    const double wallStart = queue.wallNow();
    auto delayed = queue.postAfter(600, record("delayed"));
    auto byWall = queue.postAtWallTime(wallStart + 600, record("wall"));
    auto laterByWall = queue.postAtWallTime(wallStart + 3000, record("later wall"));

    queue.advanceBy(100);
    queue.sleepFor(1800);
    EXPECT_DOUBLE_EQ(queue.now(), 100);
    EXPECT_DOUBLE_EQ(queue.wallNow(), wallStart + 1900);
    // The deadline passed while asleep: due at once. The later one is 1100 s off now.
    queue.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"wall"}));
    queue.advanceBy(500);
    EXPECT_EQ(ran, (std::vector<std::string>{"wall", "delayed"}));
    queue.advanceBy(599);
    EXPECT_EQ(ran.size(), 2u);
    queue.advanceBy(1);
    EXPECT_EQ(ran.back(), "later wall");
}

TEST_F(SimMainQueueTest, CancelledWallClockWorkStaysCancelledAcrossASleep) {
    auto work = queue.postAtWallTime(queue.wallNow() + 10, record("cancelled"));
    work.cancel();
    queue.sleepFor(60);
    queue.advanceBy(60);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(queue.pendingCount(), 0u);
}

}  // namespace
}  // namespace tarnlet::sim
