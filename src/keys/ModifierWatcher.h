#pragma once
// One shared listen-only tap on modifier changes, fanned out to every subscriber. It runs from its
// first subscriber to its last, so the leader chord, Snap and the clipboard share a single tap:
//
//     m_modifierSubscription = modifiers.subscribe(m_weak.bind([this](std::uint64_t flags) { … }));
//     m_modifierSubscription.cancel();  // or let the handle die with its owner
//
// Subscribing is also the retry after the tap could not be created (no permission yet). Main
// thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/SubscriberList.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"

namespace tarnlet {

class EventTap;
class EventTaps;

class ModifierWatcher {
public:
    using Handler = std::function<void(std::uint64_t flags)>;

    explicit ModifierWatcher(EventTaps& taps);
    ~ModifierWatcher();
    ModifierWatcher(const ModifierWatcher&) = delete;
    ModifierWatcher& operator=(const ModifierWatcher&) = delete;

    // Adds a handler and starts the tap; the last subscription to end stops it.
    [[nodiscard]] Subscription subscribe(Handler handler);

    bool isRunning() const { return m_tap != nullptr; }
    std::size_t subscriberCount() const { return m_subscribers.size(); }

private:
    void start();
    void stop();

    EventTaps& m_taps;
    std::unique_ptr<EventTap> m_tap;
    SubscriberList<std::uint64_t> m_subscribers{[this] { start(); }, [this] { stop(); }};
    WeakFactory m_weak;
};

}  // namespace tarnlet
