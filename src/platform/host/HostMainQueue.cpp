#include "platform/host/HostMainQueue.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarnlet::host {

namespace {

// Delays beyond this are clamped: converting larger ones to clock ticks would overflow, and no
// work of a desktop utility waits for decades.
constexpr double kLongestDelay = 1.0e9;

}  // namespace

HostMainQueue::HostMainQueue(WallClock wallClock, double wallClockRecheck)
    : m_start(Clock::now()), m_wallClock(std::move(wallClock)), m_wallClockRecheck(delayFrom(wallClockRecheck)) {}

HostMainQueue::Clock::duration HostMainQueue::delayFrom(double seconds) {
    // Like the simulated queue, a delay that is not a finite positive number means "now".
    const double delay = std::isfinite(seconds) ? std::clamp(seconds, 0.0, kLongestDelay) : 0.0;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delay));
}

void HostMainQueue::enqueue(Clock::time_point due, Entry entry) {
    {
        std::lock_guard lock(m_mutex);
        m_entries.emplace(Key{due, ++m_sequence}, std::move(entry));
    }
    m_wake.notify_one();
}

void HostMainQueue::post(std::function<void()> work) { enqueue(Clock::now(), Entry{nullptr, std::move(work)}); }

void HostMainQueue::sweepCancelled() {
    // Cancelled entries wait for their due time before they are discarded; a timer that is
    // rescheduled often with a long delay would pile them up, so sweep them out now and then.
    if (m_entries.size() + m_wallEntries.size() < m_sweepAt) return;
    const auto cancelled = [](const auto& e) { return e.second.state && e.second.state->cancelled; };
    std::erase_if(m_entries, cancelled);
    std::erase_if(m_wallEntries, cancelled);
    m_sweepAt = std::max<std::size_t>(kFirstSweep, 2 * (m_entries.size() + m_wallEntries.size()));
}

WorkItem HostMainQueue::postAfter(double seconds, std::function<void()> work) {
    auto state = std::make_shared<WorkItem::State>();
    const auto due = Clock::now() + delayFrom(seconds);
    {
        std::lock_guard lock(m_mutex);
        sweepCancelled();
    }
    enqueue(due, Entry{state, std::move(work)});
    return WorkItem::makeForQueue(std::move(state));
}

WorkItem HostMainQueue::postAtWallTime(double wallTime, std::function<void()> work) {
    auto state = std::make_shared<WorkItem::State>();
    // Like the simulated queue, a time that is not a finite number means "now".
    const double due = std::isfinite(wallTime) ? wallTime : -std::numeric_limits<double>::infinity();
    {
        std::lock_guard lock(m_mutex);
        sweepCancelled();
        m_wallEntries.emplace(WallKey{due, ++m_sequence}, Entry{state, std::move(work)});
    }
    m_wake.notify_one();
    return WorkItem::makeForQueue(std::move(state));
}

void HostMainQueue::recheckWallClock() {
    // Taking the lock orders this with the loop: it is either about to read the clock or already
    // waiting, and then the notification wakes it.
    { std::lock_guard lock(m_mutex); }
    m_wake.notify_all();
}

double HostMainQueue::now() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

double HostMainQueue::wallNow() const {
    if (m_wallClock) return m_wallClock();
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

bool HostMainQueue::runOne(Clock::time_point deadline) {
    Entry entry;
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_quit) {
                m_quit = false;
                return false;
            }
            const auto current = Clock::now();
            const bool due = !m_entries.empty() && m_entries.begin()->first.first <= current;
            const double wall = m_wallEntries.empty() ? 0.0 : wallNow();
            const bool wallDue = !m_wallEntries.empty() && m_wallEntries.begin()->first.first <= wall;
            if (due || wallDue) {
                // When both kinds are due, the one posted first runs first.
                const bool takeWall =
                    wallDue && (!due || m_wallEntries.begin()->first.second < m_entries.begin()->first.second);
                entry = takeWall ? std::move(m_wallEntries.extract(m_wallEntries.begin()).mapped())
                                 : std::move(m_entries.extract(m_entries.begin()).mapped());
                break;
            }
            if (current >= deadline) return false;
            auto wakeAt = m_entries.empty() ? deadline : std::min(deadline, m_entries.begin()->first.first);
            if (!m_wallEntries.empty()) {
                // The steady clock misses a sleep and a clock being set, so the wall clock is read
                // again at least every recheck interval.
                const auto untilDue = std::min(delayFrom(m_wallEntries.begin()->first.first - wall), m_wallClockRecheck);
                wakeAt = std::min(wakeAt, current + untilDue);
            }
            if (wakeAt == Clock::time_point::max()) m_wake.wait(lock);
            else m_wake.wait_until(lock, wakeAt);
        }
    }
    // The work runs outside the lock, so it may post more work, from this thread or another.
    if (entry.state) {
        if (entry.state->cancelled) return true;
        entry.state->done = true;
    }
    entry.work();
    return true;
}

void HostMainQueue::run() {
    while (runOne(Clock::time_point::max())) {
    }
}

void HostMainQueue::runFor(double seconds) {
    const auto deadline = Clock::now() + delayFrom(seconds);
    while (runOne(deadline)) {
    }
}

bool HostMainQueue::runUntil(const std::function<bool()>& done, double timeoutSeconds) {
    const auto deadline = Clock::now() + delayFrom(timeoutSeconds);
    while (!done()) {
        if (!runOne(deadline)) return done();
    }
    return true;
}

void HostMainQueue::quit() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
}

}  // namespace tarnlet::host
