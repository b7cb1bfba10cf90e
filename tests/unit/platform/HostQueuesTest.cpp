#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/WeakToken.h"
#include "platform/host/HostMainQueue.h"
#include "platform/host/HostTaskQueues.h"

namespace tarnlet::host {
namespace {

// Generous: these only bound a broken implementation's hang, they never measure speed.
constexpr double kPatience = 30.0;

TEST(HostMainQueueTest, RunsByDueTimeThenByPostingOrder) {
    HostMainQueue queue;
    std::vector<std::string> ran;
    auto late = queue.postAfter(0.06, [&] { ran.push_back("late"); });
    auto early = queue.postAfter(0.02, [&] { ran.push_back("early"); });
    queue.post([&] { ran.push_back("now1"); });
    queue.post([&] { ran.push_back("now2"); });
    ASSERT_TRUE(queue.runUntil([&] { return ran.size() == 4; }, kPatience));
    EXPECT_EQ(ran, (std::vector<std::string>{"now1", "now2", "early", "late"}));
}

TEST(HostMainQueueTest, CancelledAndDestroyedWorkNeverRuns) {
    HostMainQueue queue;
    std::vector<std::string> ran;
    auto cancelled = queue.postAfter(0.0, [&] { ran.push_back("cancelled"); });
    cancelled.cancel();
    { auto dropped = queue.postAfter(0.0, [&] { ran.push_back("dropped"); }); }
    auto replaced = queue.postAfter(0.0, [&] { ran.push_back("replaced"); });
    replaced = queue.postAfter(0.01, [&] { ran.push_back("replacement"); });
    auto marker = queue.postAfter(0.02, [&] { ran.push_back("marker"); });
    ASSERT_TRUE(queue.runUntil([&] { return !marker.isPending(); }, kPatience));
    EXPECT_EQ(ran, (std::vector<std::string>{"replacement", "marker"}));
    EXPECT_FALSE(replaced.isPending());
}

TEST(HostMainQueueTest, ManyCancelledTimersDoNotRunAndLaterWorkStillDoes) {
    HostMainQueue queue;
    int fired = 0;
    for (int i = 0; i < 2000; ++i) {
        auto timer = queue.postAfter(3600.0, [&] { ++fired; });  // destroyed at once: cancelled
    }
    bool done = false;
    auto last = queue.postAfter(0.0, [&] { done = true; });
    ASSERT_TRUE(queue.runUntil([&] { return done; }, kPatience));
    EXPECT_EQ(fired, 0);
}

TEST(HostMainQueueTest, WorkPostedFromOtherThreadsRunsOnTheMainThreadInOrder) {
    HostMainQueue queue;
    const auto mainThread = std::this_thread::get_id();
    std::vector<int> ran;
    bool allOnMain = true;
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i)
            queue.post([&, i] {
                ran.push_back(i);
                allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
            });
    });
    ASSERT_TRUE(queue.runUntil([&] { return ran.size() == 200; }, kPatience));
    poster.join();
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(ran[i], i);
}

TEST(HostMainQueueTest, QuitFromAnotherThreadEndsRunAndEarlyQuitEndsTheNextRun) {
    HostMainQueue queue;
    std::thread quitter;
    queue.post([&] { quitter = std::thread([&] { queue.quit(); }); });
    queue.run();  // returns only because of the quit
    quitter.join();

    queue.quit();
    queue.run();  // a quit that came first ends this run at once
    bool ran = false;
    queue.post([&] { ran = true; });
    EXPECT_TRUE(queue.runUntil([&] { return ran; }, kPatience));
}

TEST(HostMainQueueTest, RunUntilReportsATimeoutAndRunForRunsDueWork) {
    HostMainQueue queue;
    EXPECT_FALSE(queue.runUntil([] { return false; }, 0.01));
    int ran = 0;
    queue.post([&] { ++ran; });
    queue.runFor(0.01);
    EXPECT_EQ(ran, 1);
}

TEST(HostMainQueueTest, AbsurdDelaysNeitherOverflowNorRunEarly) {
    HostMainQueue queue;
    bool ran = false;
    auto huge = queue.postAfter(1e300, [&] { ran = true; });
    auto infinite = queue.postAfter(std::numeric_limits<double>::infinity(), [] {});
    auto negative = queue.postAfter(-3.0, [] {});
    EXPECT_TRUE(queue.runUntil([&] { return !negative.isPending() && !infinite.isPending(); }, kPatience));
    EXPECT_FALSE(ran);
    EXPECT_TRUE(huge.isPending());
}

// A wall clock the test sets, read from the queue's thread.
struct SettableWallClock {
    std::atomic<double> seconds{1.7e9};
    HostMainQueue::WallClock reader() {
        return [this] { return seconds.load(); };
    }
};

TEST(HostMainQueueTest, WallTimedWorkFollowsTheWallClockThroughASleep) {
    SettableWallClock wall;
    HostMainQueue queue(wall.reader());
    const double start = wall.seconds;
    std::vector<std::string> ran;
    auto hour = queue.postAtWallTime(start + 3600, [&] { ran.push_back("hour"); });
    auto twoHours = queue.postAtWallTime(start + 7200, [&] { ran.push_back("two hours"); });
    auto cancelled = queue.postAtWallTime(start + 60, [&] { ran.push_back("cancelled"); });
    cancelled.cancel();
    auto past = queue.postAtWallTime(start - 5, [&] { ran.push_back("past"); });
    ASSERT_TRUE(queue.runUntil([&] { return !past.isPending(); }, kPatience));

    // The computer sleeps an hour and a half: the steady clock hardly moves, the wall clock does,
    // and the backend reports the wake.
    std::thread waker([&] {
        wall.seconds = start + 5400;
        queue.recheckWallClock();
    });
    ASSERT_TRUE(queue.runUntil([&] { return !hour.isPending(); }, kPatience));
    waker.join();
    EXPECT_EQ(ran, (std::vector<std::string>{"past", "hour"}));
    EXPECT_TRUE(twoHours.isPending());

    // The clock set back does not bring later work forward.
    wall.seconds = start;
    queue.runFor(0.02);
    EXPECT_TRUE(twoHours.isPending());
}

TEST(HostMainQueueTest, AnUnannouncedWallClockJumpIsNoticedAtTheNextRecheck) {
    SettableWallClock wall;
    HostMainQueue queue(wall.reader(), 0.01);
    bool ran = false;
    auto work = queue.postAtWallTime(wall.seconds + 86400, [&] { ran = true; });
    // The jump comes while the loop waits; nobody tells it.
    std::thread jumper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        wall.seconds = wall.seconds + 86400;
    });
    EXPECT_TRUE(queue.runUntil([&] { return ran; }, kPatience));
    jumper.join();
}

class HostTaskQueuesTest : public ::testing::Test {
protected:
    HostMainQueue mainQueue;
    HostTaskQueues taskQueues{mainQueue};
};

TEST_F(HostTaskQueuesTest, WorkRunsInOrderOffTheMainThreadAndRepliesOnIt) {
    const auto mainThread = std::this_thread::get_id();
    WeakFactory owner;
    auto queue = taskQueues.makeSerialQueue("census");
    EXPECT_EQ(queue->label(), "census");
    std::vector<int> worked;  // touched by the worker only until the replies arrive
    std::vector<int> replied;
    std::atomic<bool> workOffMain{true};
    bool repliesOnMain = true;
    for (int i = 0; i < 20; ++i) {
        queue->postTaskAndReply<int>(
            owner.token(),
            std::function<int()>([&, i] {
                if (std::this_thread::get_id() == mainThread) workOffMain = false;
                worked.push_back(i);
                return i * i;
            }),
            std::function<void(int)>([&](int square) {
                repliesOnMain = repliesOnMain && std::this_thread::get_id() == mainThread;
                replied.push_back(square);
            }));
    }
    ASSERT_TRUE(mainQueue.runUntil([&] { return replied.size() == 20; }, kPatience));
    EXPECT_TRUE(workOffMain);
    EXPECT_TRUE(repliesOnMain);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(worked[i], i);
        EXPECT_EQ(replied[i], i * i);
    }
}

TEST_F(HostTaskQueuesTest, ReplyIsDroppedWhenTheOwnerDiesWhileTheWorkRuns) {
    auto queue = taskQueues.makeSerialQueue("shelf");
    auto owner = std::make_unique<WeakFactory>();
    std::promise<void> started;
    std::promise<void> gate;
    auto gateOpen = gate.get_future().share();
    bool firstReplied = false;
    queue->postTaskAndReply(
        owner->token(),
        [&, gateOpen] {
            started.set_value();
            gateOpen.wait();
        },
        [&] { firstReplied = true; });
    started.get_future().wait();
    owner.reset();  // dies on the main thread while its work is running
    gate.set_value();

    WeakFactory survivor;
    bool secondReplied = false;
    queue->postTaskAndReply(survivor.token(), [] {}, [&] { secondReplied = true; });
    ASSERT_TRUE(mainQueue.runUntil([&] { return secondReplied; }, kPatience));
    // Replies reach the main queue in order, so the first one has had its turn.
    EXPECT_FALSE(firstReplied);
}

TEST_F(HostTaskQueuesTest, DestroyingAQueueFinishesTheRunningWorkAndDropsTheRest) {
    auto queue = taskQueues.makeSerialQueue("conversion");
    WeakFactory owner;
    std::promise<void> started;
    std::promise<void> gate;
    auto gateOpen = gate.get_future().share();
    std::atomic<int> worked{0};
    bool firstReplied = false;
    bool laterReplied = false;

    queue->postTaskAndReply(
        owner.token(),
        [&, gateOpen] {
            started.set_value();
            gateOpen.wait();
            ++worked;
        },
        [&] { firstReplied = true; });
    // The second task holds the key to the gate: it is opened when the queue drops that task, which
    // proves the drop happens before the queue waits for its worker.
    auto key = std::shared_ptr<void>(nullptr, [&](void*) { gate.set_value(); });
    queue->postTaskAndReply(owner.token(), [&, key] { ++worked; }, [&] { laterReplied = true; });
    key.reset();
    queue->postTaskAndReply(owner.token(), [&] { ++worked; }, [&] { laterReplied = true; });

    started.get_future().wait();
    queue.reset();
    EXPECT_EQ(worked, 1);
    ASSERT_TRUE(mainQueue.runUntil([&] { return firstReplied; }, kPatience));
    mainQueue.runFor(0.01);
    EXPECT_FALSE(laterReplied);
}

}  // namespace
}  // namespace tarnlet::host
