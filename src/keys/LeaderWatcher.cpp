#include "keys/LeaderWatcher.h"

#include <algorithm>

#include "diagnostics/Log.h"
#include "keys/ModifierWatcher.h"

namespace tarnlet {

LeaderWatcher::LeaderWatcher(ModifierWatcher& modifiers, EventTaps& taps, MainQueue& queue)
    : m_modifiers(modifiers), m_queue(queue), m_keyTap(taps) {
    m_keyTap.onKey = m_weak.bind([this](Leader leader, const std::string& character) { return deliver(leader, character); });
    m_keyTap.onLeaderChange = m_weak.bind([this](std::optional<Leader> leader) { leaderChanged(leader); });
}

LeaderWatcher::~LeaderWatcher() = default;

void LeaderWatcher::addConsumer(const void* owner, Consumer consumer) {
    if (!m_consumers.count(owner)) m_order.push_back(owner);
    m_consumers[owner] = std::move(consumer);
    start();
}

void LeaderWatcher::remove(const void* owner) {
    m_consumers.erase(owner);
    std::erase(m_order, owner);
    if (m_consumers.empty()) stop();
}

void LeaderWatcher::start() {
    if (m_isRunning) return;
    if (!m_keyTap.start()) {
        Log::debug("LeaderWatcher: could not create key tap (Accessibility not granted?)");
        return;
    }
    m_isRunning = true;
    m_modifierSubscription = m_modifiers.subscribe(m_weak.bind([this](std::uint64_t flags) { m_keyTap.handleFlags(flags); }));
}

void LeaderWatcher::stop() {
    if (!m_isRunning) return;
    m_isRunning = false;
    m_modifierSubscription.cancel();
    m_keyTap.stop();
    m_hold.cancel();
    if (onRelease) onRelease();
}

void LeaderWatcher::dismissHint() {
    m_hold.cancel();
    if (onRelease) onRelease();
}

bool LeaderWatcher::isServed(Leader leader) const {
    return std::any_of(m_consumers.begin(), m_consumers.end(),
                       [leader](const auto& entry) { return entry.second.leaders.count(leader) > 0; });
}

void LeaderWatcher::leaderChanged(std::optional<Leader> leader) {
    m_hold.cancel();
    if (!leader) {
        if (onRelease) onRelease();
        return;
    }
    // Nobody serves this leader: nothing new is scheduled, and a strip shown for the previous
    // leader stays until every leader key is up.
    if (!isServed(*leader)) return;
    const double delay = holdDelay ? holdDelay() : kDefaultHoldDelay;
    m_hold = m_queue.postAfter(delay, m_weak.bind([this, held = *leader] {
        std::vector<NotchBarItem> items;
        for (const void* owner : m_order) {
            const auto it = m_consumers.find(owner);
            if (it == m_consumers.end() || !it->second.leaders.count(held) || !it->second.hints) continue;
            auto hints = it->second.hints(held);
            items.insert(items.end(), hints.begin(), hints.end());
        }
        if (!items.empty() && onHold) onHold(held, items);
    }));
}

bool LeaderWatcher::deliver(Leader leader, const std::string& character) {
    // A copy of the order: a consumer may add or remove consumers while it handles the key.
    const auto order = m_order;
    for (const void* owner : order) {
        const auto it = m_consumers.find(owner);
        if (it == m_consumers.end() || !it->second.leaders.count(leader) || !it->second.onKey) continue;
        auto onKey = it->second.onKey;
        if (onKey(leader, character)) return true;
    }
    return false;
}

}  // namespace tarnlet
