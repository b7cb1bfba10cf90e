#pragma once
// Turns the leader state of the key tap into key deliveries and hint strips. Consumers register per
// owner with the leaders they serve; a key under a leader is offered to them in registration order
// and the first that claims it ends the walk. After holdDelay() seconds with a leader held, the
// hints of every consumer serving it are collected in order and handed to onHold; releasing the
// leader cancels a pending strip and calls onRelease. A chord typed quickly thus shows nothing.
//
// It runs (key tap and modifier subscription in place) while it has consumers and the application
// allows it. Main thread only.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "keys/KeyTap.h"
#include "keys/Leader.h"
#include "platform/MainQueue.h"
#include "shared/NotchBarItem.h"

namespace tarnlet {

class EventTaps;
class ModifierWatcher;

class LeaderWatcher {
public:
    static constexpr double kDefaultHoldDelay = 0.2;

    struct Consumer {
        std::set<Leader> leaders;
        std::function<bool(Leader, const std::string& character)> onKey;
        std::function<std::vector<NotchBarItem>(Leader)> hints;
    };

    LeaderWatcher(ModifierWatcher& modifiers, EventTaps& taps, MainQueue& queue);
    ~LeaderWatcher();
    LeaderWatcher(const LeaderWatcher&) = delete;
    LeaderWatcher& operator=(const LeaderWatcher&) = delete;

    std::function<void(Leader, const std::vector<NotchBarItem>&)> onHold;
    std::function<void()> onRelease;
    std::function<double()> holdDelay = [] { return kDefaultHoldDelay; };

    // Adds or replaces the owner's consumer (a replaced one keeps its place), then starts.
    void addConsumer(const void* owner, Consumer consumer);
    // Drops the owner's consumer; the last one stops the watcher.
    void remove(const void* owner);
    bool hasConsumers() const { return !m_consumers.empty(); }

    void start();
    void stop();
    bool isRunning() const { return m_isRunning; }
    // Cancels a pending strip and takes a shown one away (a feature key opened something).
    void dismissHint();

    // Offers a key to the consumers serving the leader, in order; true when one claimed it.
    bool deliver(Leader leader, const std::string& character);
    KeyTap& keyTap() { return m_keyTap; }

private:
    void leaderChanged(std::optional<Leader> leader);
    bool isServed(Leader leader) const;

    ModifierWatcher& m_modifiers;
    MainQueue& m_queue;
    KeyTap m_keyTap;
    std::map<const void*, Consumer> m_consumers;
    std::vector<const void*> m_order;
    WorkItem m_hold;
    bool m_isRunning = false;
    Subscription m_modifierSubscription;
    WeakFactory m_weak;
};

}  // namespace tarnlet
