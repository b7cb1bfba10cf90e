#include "platform/host/HostMainQueue.h"

#include <algorithm>
#include <cmath>

namespace tarnlet::host {

namespace {

// Delays beyond this are clamped: converting larger ones to clock ticks would overflow, and no
// work of a desktop utility waits for decades.
constexpr double kLongestDelay = 1.0e9;

}  // namespace

HostMainQueue::HostMainQueue() : m_start(Clock::now()) {}

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

WorkItem HostMainQueue::postAfter(double seconds, std::function<void()> work) {
    auto state = std::make_shared<WorkItem::State>();
    const auto due = Clock::now() + delayFrom(seconds);
    {
        // Cancelled entries wait for their due time before they are discarded; a timer that is
        // rescheduled often with a long delay would pile them up, so sweep them out now and then.
        // Their flags may be read here because postAfter runs on the main thread.
        std::lock_guard lock(m_mutex);
        if (m_entries.size() >= m_sweepAt) {
            std::erase_if(m_entries, [](const auto& e) { return e.second.state && e.second.state->cancelled; });
            m_sweepAt = std::max<std::size_t>(kFirstSweep, 2 * m_entries.size());
        }
    }
    enqueue(due, Entry{state, std::move(work)});
    return WorkItem::makeForQueue(std::move(state));
}

double HostMainQueue::now() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

double HostMainQueue::wallNow() const {
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
            if (!m_entries.empty() && m_entries.begin()->first.first <= current) {
                auto node = m_entries.extract(m_entries.begin());
                entry = std::move(node.mapped());
                break;
            }
            if (current >= deadline) return false;
            const auto wakeAt = m_entries.empty() ? deadline : std::min(deadline, m_entries.begin()->first.first);
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
