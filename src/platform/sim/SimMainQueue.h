#pragma once
// The simulated desktop's main queue on a virtual clock. Nothing sleeps: tests and scenarios move
// time with advanceBy(), which runs every piece of work that falls due on the way, in due order,
// with the clock standing at each one's due time while it runs.

#include <cstdint>
#include <map>
#include <utility>

#include "platform/MainQueue.h"

namespace tarnlet::sim {

class SimMainQueue : public MainQueue {
public:
    // wallStart: the wall-clock time (seconds since 1970) at virtual time zero.
    explicit SimMainQueue(double wallStart);

    void post(std::function<void()> work) override;
    WorkItem postAfter(double seconds, std::function<void()> work) override;
    WorkItem postAtWallTime(double wallTime, std::function<void()> work) override;
    double now() const override { return m_now; }
    double wallNow() const override { return m_wallStart + m_now; }

    // Runs the work that is due now, including work it posts for now.
    void runUntilIdle();
    // Moves the clock forward, running everything that falls due up to the new time.
    void advanceBy(double seconds);
    // The computer sleeps: the wall clock moves on by that many seconds while the monotonic clock
    // stands still, so delayed work does not count the sleep; work due at a wall-clock time that
    // passed becomes due now.
    void sleepFor(double seconds);
    // Scheduled work that is neither cancelled nor run.
    std::size_t pendingCount() const;

private:
    struct Entry {
        std::shared_ptr<WorkItem::State> state;
        std::function<void()> work;
        bool wallClock = false;
    };
    bool runNextDueBy(double time);

    double m_wallStart;
    double m_now = 0;
    std::uint64_t m_sequence = 0;
    std::map<std::pair<double, std::uint64_t>, Entry> m_entries;
};

}  // namespace tarnlet::sim
