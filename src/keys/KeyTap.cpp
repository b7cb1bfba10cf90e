#include "keys/KeyTap.h"

#include "platform/EventTaps.h"

namespace tarnlet {

KeyTap::KeyTap(EventTaps& taps) : m_taps(taps) {}

KeyTap::~KeyTap() { stop(); }

bool KeyTap::start() {
    if (m_keyTap) return true;
    auto tap = m_taps.createTap(maskOf(EventType::keyDown) | maskOf(EventType::keyUp), TapMode::filtering,
                                m_weak.bind([this](const InputEvent& event) { return handleEvent(event); }));
    if (!tap) {
        stop();
        return false;
    }
    m_keyTap = std::move(tap);
    m_claim = m_taps.claimKeys(KeyClaim::underLeaders(ModifierFlag::rightCommand | ModifierFlag::rightOption,
                                                      KeyTapLogic::claimableKeys()));
    m_logic = KeyTapLogic{};
    // Idle until a leader is held: ordinary typing must never run through a filtering tap.
    m_keyTap->setEnabled(false);
    return true;
}

void KeyTap::stop() {
    if (m_keyTap) m_keyTap->setEnabled(false);
    m_keyTap.reset();
    m_claim.cancel();
    m_logic = KeyTapLogic{};
}

bool KeyTap::isTapEnabled() const { return m_keyTap && m_keyTap->isEnabled(); }

void KeyTap::handleFlags(std::uint64_t flags) {
    // A stopped key tap could swallow nothing, so it announces no leader either.
    if (!m_keyTap) return;
    const auto leader = KeyTapLogic::leaderFromFlags(flags);
    if (leader == m_logic.leader) return;
    m_logic.leader = leader;
    // With the leader gone the tap stays on while claimed keys are down, so that their key-ups are
    // swallowed as their key-downs were.
    updateEnabled();
    if (onLeaderChange) onLeaderChange(leader);
}

void KeyTap::updateEnabled() {
    if (m_keyTap) m_keyTap->setEnabled(m_logic.needsTap());
}

TapDecision KeyTap::handleEvent(const InputEvent& event) {
    if (!m_keyTap) return TapDecision::pass;
    const WeakToken alive = m_weak.token();
    if (event.isTapDisabled()) {
        // Switched off by the system: come back only while there is something to swallow.
        if (m_logic.needsTap()) m_keyTap->setEnabled(true);
        return TapDecision::pass;
    }
    // The system's own synthetic events (a paste) go through untouched and leave the state alone.
    if (event.userData == kSyntheticEventMarker) return TapDecision::pass;

    bool consumed = false;
    if (event.type == EventType::keyDown) {
        consumed = offer(event, alive);
        // The consumer may have ended this key tap while it ran; then nothing here may be touched.
        if (!alive.isAlive()) return TapDecision::pass;
    } else if (event.type == EventType::keyUp) {
        consumed = m_logic.keyUp(event.keyCode);
    } else {
        return TapDecision::pass;
    }
    if (!m_keyTap) {
        // Stopped from inside the consumer: a claim made on the way out must not outlive the stop.
        m_logic = KeyTapLogic{};
    } else {
        updateEnabled();
    }
    return consumed ? TapDecision::swallow : TapDecision::pass;
}

bool KeyTap::offer(const InputEvent& event, const WeakToken& alive) {
    if (!onKey) return m_logic.keyDown(event.keyCode, event.flags, nullptr);
    // The consumer runs on a copy of onKey and through a liveness check, so that it may replace the
    // handler or end this key tap without pulling the function or the state out from under the call.
    const auto handler = onKey;
    return m_logic.keyDown(event.keyCode, event.flags, [&](Leader leader, const std::string& character) {
        const bool claimed = handler(leader, character);
        return claimed && alive.isAlive();
    });
}

}  // namespace tarnlet
