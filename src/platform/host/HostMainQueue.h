#pragma once
// A real main loop on the steady clock. Work runs on the thread that calls run(), runFor() or
// runUntil() — the main thread — in order of due time, then of posting.
//
//     host::HostMainQueue queue;
//     queue.post([&] { start(); });
//     queue.run();  // until some work calls queue.quit()
//
// Work posted for a wall-clock time runs once the wall clock reaches it, however the time passed:
// the steady clock stops while the computer sleeps and ignores the clock being set, so the loop
// never waits longer than kWallClockRecheck seconds while such work is pending, and a backend that
// hears of a wake or a clock change calls recheckWallClock() to look at once.
//
// Threading: post(), recheckWallClock() and quit() may be called from any thread; postAfter(),
// postAtWallTime(), the run methods and every WorkItem belong to the main thread (a WorkItem's
// flags are never shared with another thread). The queue must outlive everything that posts to it.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/MainQueue.h"

namespace tarnlet::host {

class HostMainQueue : public MainQueue {
public:
    using Clock = std::chrono::steady_clock;
    // Seconds since 1970-01-01 UTC; callable from any thread.
    using WallClock = std::function<double()>;

    static constexpr double kWallClockRecheck = 2.0;

    // The system clock unless another wall clock is given (tests move their own); the recheck
    // interval bounds how late wall-clock work may run after an unannounced jump of that clock.
    explicit HostMainQueue(WallClock wallClock = {}, double wallClockRecheck = kWallClockRecheck);
    HostMainQueue(const HostMainQueue&) = delete;
    HostMainQueue& operator=(const HostMainQueue&) = delete;

    void post(std::function<void()> work) override;
    WorkItem postAfter(double seconds, std::function<void()> work) override;
    WorkItem postAtWallTime(double wallTime, std::function<void()> work) override;
    double now() const override;
    double wallNow() const override;
    // The computer woke or the wall clock was set: wall-clock work that is now due runs without
    // waiting for the next periodic look. From any thread.
    void recheckWallClock();

    // Runs work until quit() is called.
    void run();
    // Runs work for about that many seconds, or until quit().
    void runFor(double seconds);
    // Runs work until done() is true (checked before waiting and after every piece of work), quit()
    // is called, or the timeout passes. Returns done()'s last answer.
    bool runUntil(const std::function<bool()>& done, double timeoutSeconds);
    // Makes the running loop return after the work in progress; from any thread. A quit() that
    // arrives while no loop runs ends the next one at once.
    void quit();

private:
    struct Entry {
        std::shared_ptr<WorkItem::State> state;  // none for plain post(), which cannot be cancelled
        std::function<void()> work;
    };
    using Key = std::pair<Clock::time_point, std::uint64_t>;
    using WallKey = std::pair<double, std::uint64_t>;

    static Clock::duration delayFrom(double seconds);
    // Takes one due entry, waiting for one until the deadline, and runs it unless it was
    // cancelled. False, with nothing run, when the deadline passed or quit() was called.
    bool runOne(Clock::time_point deadline);
    void enqueue(Clock::time_point due, Entry entry);
    // Drops cancelled entries once they pile up; the caller holds the lock and runs on the main
    // thread, where the flags may be read.
    void sweepCancelled();

    const Clock::time_point m_start;
    const WallClock m_wallClock;
    const Clock::duration m_wallClockRecheck;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<Key, Entry> m_entries;
    std::map<WallKey, Entry> m_wallEntries;
    std::uint64_t m_sequence = 0;
    bool m_quit = false;
    static constexpr std::size_t kFirstSweep = 256;
    std::size_t m_sweepAt = kFirstSweep;
};

}  // namespace tarnlet::host
