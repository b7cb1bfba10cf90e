#pragma once
// One shared listen-only tap on modifier changes, fanned out to every subscriber. It runs from its
// first subscriber to its last, so the leader chord, Snap and the clipboard share a single tap.
// Main thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "base/OwnerHandlers.h"
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

    // The owner's handler (replacing an earlier one of the same owner); starts the tap.
    void subscribe(const void* owner, Handler handler);
    // Drops the owner's handler; the last one stops the tap.
    void unsubscribe(const void* owner);

    void start();
    void stop();
    bool isRunning() const { return m_tap != nullptr; }
    std::size_t subscriberCount() const { return m_handlers.size(); }

private:
    void notify(std::uint64_t flags);

    EventTaps& m_taps;
    std::unique_ptr<EventTap> m_tap;
    OwnerHandlers<std::uint64_t> m_handlers;
    WeakFactory m_weak;
};

}  // namespace tarnlet
