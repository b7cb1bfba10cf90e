#pragma once
// A real main loop on the steady clock. Work runs on the thread that calls run(), runFor() or
// runUntil() — the main thread — in order of due time, then of posting.
//
//     host::HostMainQueue queue;
//     queue.post([&] { start(); });
//     queue.run();  // until some work calls queue.quit()
//
// Threading: post() and quit() may be called from any thread; postAfter(), the run methods and
// every WorkItem belong to the main thread (a WorkItem's flags are never shared with another
// thread). The queue must outlive everything that posts to it.

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

    HostMainQueue();
    HostMainQueue(const HostMainQueue&) = delete;
    HostMainQueue& operator=(const HostMainQueue&) = delete;

    void post(std::function<void()> work) override;
    WorkItem postAfter(double seconds, std::function<void()> work) override;
    double now() const override;
    double wallNow() const override;

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

    static Clock::duration delayFrom(double seconds);
    // Takes one due entry, waiting for one until the deadline, and runs it unless it was
    // cancelled. False, with nothing run, when the deadline passed or quit() was called.
    bool runOne(Clock::time_point deadline);
    void enqueue(Clock::time_point due, Entry entry);

    const Clock::time_point m_start;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<Key, Entry> m_entries;
    std::uint64_t m_sequence = 0;
    bool m_quit = false;
    static constexpr std::size_t kFirstSweep = 256;
    std::size_t m_sweepAt = kFirstSweep;
};

}  // namespace tarnlet::host
