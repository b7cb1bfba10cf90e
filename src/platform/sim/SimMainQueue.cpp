#include "platform/sim/SimMainQueue.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarnlet::sim {

SimMainQueue::SimMainQueue(double wallStart) : m_wallStart(wallStart) {}

void SimMainQueue::post(std::function<void()> work) {
    auto state = std::make_shared<WorkItem::State>();
    m_entries.emplace(std::make_pair(m_now, ++m_sequence), Entry{std::move(state), std::move(work)});
}

WorkItem SimMainQueue::postAfter(double seconds, std::function<void()> work) {
    const double delay = std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
    auto state = std::make_shared<WorkItem::State>();
    m_entries.emplace(std::make_pair(m_now + delay, ++m_sequence), Entry{state, std::move(work)});
    return WorkItem::makeForQueue(std::move(state));
}

WorkItem SimMainQueue::postAtWallTime(double wallTime, std::function<void()> work) {
    const double delay = std::isfinite(wallTime) ? std::max(0.0, wallTime - wallNow()) : 0.0;
    auto state = std::make_shared<WorkItem::State>();
    m_entries.emplace(std::make_pair(m_now + delay, ++m_sequence), Entry{state, std::move(work), true});
    return WorkItem::makeForQueue(std::move(state));
}

void SimMainQueue::sleepFor(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return;
    m_wallStart += seconds;
    // Wall-clock work moves closer by the time slept; its order among itself stays.
    std::vector<std::pair<std::pair<double, std::uint64_t>, Entry>> moved;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.wallClock) {
            moved.emplace_back(std::make_pair(std::max(m_now, it->first.first - seconds), it->first.second),
                               std::move(it->second));
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [key, entry] : moved) m_entries.emplace(key, std::move(entry));
}

bool SimMainQueue::runNextDueBy(double time) {
    while (!m_entries.empty()) {
        auto it = m_entries.begin();
        if (it->first.first > time) return false;
        m_now = std::max(m_now, it->first.first);
        Entry entry = std::move(it->second);
        m_entries.erase(it);
        if (entry.state->cancelled) continue;
        entry.state->done = true;
        entry.work();
        return true;
    }
    return false;
}

void SimMainQueue::runUntilIdle() {
    while (runNextDueBy(m_now)) {
    }
}

void SimMainQueue::advanceBy(double seconds) {
    const double target = m_now + (std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0);
    while (runNextDueBy(target)) {
    }
    m_now = target;
}

std::size_t SimMainQueue::pendingCount() const {
    return static_cast<std::size_t>(std::count_if(m_entries.begin(), m_entries.end(),
                                                   [](const auto& e) { return !e.second.state->cancelled; }));
}

}  // namespace tarnlet::sim
