#pragma once
// The main queue on Qt's event loop. post() may be called from any thread and runs the work on the
// loop's thread in posting order; delayed work waits in one ordered table served by one timer, so
// cancelled work costs nothing but its entry (swept as the table grows). Work due at a wall-clock
// time is checked against the wall clock at its expected time, at least every half minute and
// whenever the backend says the machine woke (recheckWallClock()), so time asleep counts and
// clock changes are noticed.
//
// Threading: post() from any thread; everything else on the thread that created the queue, which
// must run the Qt event loop.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/MainQueue.h"

class QObject;
class QTimer;

namespace tarnlet::linux_desktop {

class QtMainQueue : public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;

    void post(std::function<void()> work) override;
    WorkItem postAfter(double seconds, std::function<void()> work) override;
    WorkItem postAtWallTime(double wallTime, std::function<void()> work) override;
    double now() const override;
    double wallNow() const override;

    // Runs wall-clock work whose time has come, at once; called after a wake or a clock change.
    void recheckWallClock();

    // The longest the queue trusts the monotonic clock to track the wall clock.
    static constexpr double kWallRecheckSeconds = 30;

private:
    struct Entry {
        std::shared_ptr<WorkItem::State> state;
        std::function<void()> work;
    };
    using Key = std::pair<double, std::uint64_t>;
    using Table = std::map<Key, Entry>;

    WorkItem add(Table& table, double due, std::function<void()> work);
    void runDue(Table& table, double now);
    void arm();
    void fire();
    static void sweep(Table& table);

    const std::chrono::steady_clock::time_point m_start;
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<QTimer> m_timer;
    Table m_timed;  // by monotonic due time
    Table m_wall;   // by wall-clock due time
    std::uint64_t m_sequence = 0;
    std::size_t m_sweepAt = 256;
    bool m_firing = false;
};

}  // namespace tarnlet::linux_desktop
