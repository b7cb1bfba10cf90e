#pragma once
// The key tap of the leader chord. It turns the held modifiers into a leader, offers each key under
// a leader to onKey and swallows the keys claimed, in both directions. Its filtering tap stays
// disabled except while a leader is held or a claimed key is still down, so ordinary typing never
// runs through it. States: stopped (no tap), idle (tap present, disabled), leader held (enabled),
// releasing (no leader; enabled until the last claimed key-up has passed).
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "keys/KeyTapLogic.h"

namespace tarnlet {

class EventTap;
class EventTaps;
struct InputEvent;
enum class TapDecision;

class KeyTap {
public:
    explicit KeyTap(EventTaps& taps);
    ~KeyTap();
    KeyTap(const KeyTap&) = delete;
    KeyTap& operator=(const KeyTap&) = delete;

    // Offered each key under a leader; true claims (and swallows) it.
    std::function<bool(Leader, const std::string& character)> onKey;
    // Told of every change of leader.
    std::function<void(std::optional<Leader>)> onLeaderChange;

    // Creates the (disabled) filtering tap and claims the keys a leader can offer; true at once when
    // it exists, false when it cannot be created (no accessibility permission).
    bool start();
    // Removes the tap and forgets the leader and the claimed keys.
    void stop();
    // The modifier watcher's subscriber: every modifier change comes through here.
    void handleFlags(std::uint64_t flags);

    bool isStarted() const { return m_keyTap != nullptr; }
    bool isTapEnabled() const;
    const KeyTapLogic& logic() const { return m_logic; }

private:
    TapDecision handleEvent(const InputEvent& event);
    bool offer(const InputEvent& event, const WeakToken& alive);
    void updateEnabled();

    EventTaps& m_taps;
    std::unique_ptr<EventTap> m_keyTap;
    Subscription m_claim;
    KeyTapLogic m_logic;
    WeakFactory m_weak;
};

}  // namespace tarnlet
