#include "keys/TransientKeyTap.h"

#include "platform/EventTaps.h"

namespace tarnlet {

TransientKeyTap::TransientKeyTap(EventTaps& taps, bool consuming, bool watchKeyUp, EventMask alsoWatch, KeyClaim claim)
    : m_taps(taps), m_consuming(consuming), m_watchKeyUp(watchKeyUp), m_alsoWatch(alsoWatch), m_keyClaim(std::move(claim)) {}

TransientKeyTap::~TransientKeyTap() { disarm(); }

void TransientKeyTap::arm() {
    if (m_tap) {
        m_armed = true;
        return;
    }
    m_heldKeys.clear();
    EventMask mask = maskOf(EventType::keyDown) | m_alsoWatch;
    if (m_watchKeyUp) mask |= maskOf(EventType::keyUp);
    const TapMode mode = m_consuming ? TapMode::filtering : TapMode::listenOnly;
    // Without the permission the owner simply goes without its keys; it has nothing to report.
    m_tap = m_taps.createTap(mask, mode, m_weak.bind([this](const InputEvent& event) { return handle(event); }));
    m_armed = m_tap != nullptr;
    if (m_armed && m_consuming) m_claim = m_taps.claimKeys(m_keyClaim);
}

void TransientKeyTap::disarm() {
    m_armed = false;
    m_heldKeys.clear();
    if (m_tap) m_tap->setEnabled(false);
    m_tap.reset();
    m_claim.cancel();
}

void TransientKeyTap::disarmWhenReleased() {
    m_armed = false;
    if (m_heldKeys.empty()) disarm();
}

TapDecision TransientKeyTap::handle(const InputEvent& event) {
    if (!m_tap) return TapDecision::pass;
    if (event.isTapDisabled()) {
        // The owner still holds the keyboard, or a held key's release is still to come; a tap left
        // off would let keys leak to the front application.
        m_tap->setEnabled(true);
        return TapDecision::pass;
    }
    if (event.userData == kSyntheticEventMarker) return TapDecision::pass;
    if (!m_armed) return finishHeldKey(event);
    if (!onKey) return TapDecision::pass;

    KeyEvent key;
    key.code = event.isKey() ? static_cast<std::int64_t>(event.keyCode) : -1;
    key.flags = event.flags;
    key.isKeyUp = event.type == EventType::keyUp;
    key.isRepeat = event.isRepeat;
    key.event = event;

    // A key-down counts as held before the owner sees it: owners commonly disarm from onKey (a
    // picker closing on Escape), and that disarm must already know to wait for this key's release.
    const bool tracksKeys = m_consuming && m_watchKeyUp && event.isKey();
    if (tracksKeys) {
        if (key.isKeyUp) m_heldKeys.erase(event.keyCode);
        else m_heldKeys.insert(event.keyCode);
    }

    // Owners commonly disarm or destroy this tap from onKey, so the call runs on a copy of the
    // handler, and nothing of this object is touched afterwards unless it is still alive.
    const WeakToken alive = m_weak.token();
    const bool consuming = m_consuming;
    const auto handler = onKey;
    const bool claimed = handler(key);
    if (alive.isAlive() && tracksKeys && !key.isKeyUp && !claimed) {
        // The key went to the application, and so does its release.
        m_heldKeys.erase(event.keyCode);
        if (!m_armed && m_heldKeys.empty()) disarm();
    }
    return claimed && consuming ? TapDecision::swallow : TapDecision::pass;
}

TapDecision TransientKeyTap::finishHeldKey(const InputEvent& event) {
    if (!event.isKey() || !m_heldKeys.count(event.keyCode)) return TapDecision::pass;
    if (event.type == EventType::keyDown && event.isRepeat) return TapDecision::swallow;
    // A fresh key-down means the release went missing; this press and its release are the
    // application's.
    const TapDecision decision = event.type == EventType::keyUp ? TapDecision::swallow : TapDecision::pass;
    m_heldKeys.erase(event.keyCode);
    if (m_heldKeys.empty()) disarm();
    return decision;
}

}  // namespace tarnlet
