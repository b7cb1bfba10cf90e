#include "keys/TransientKeyTap.h"

#include "platform/EventTaps.h"

namespace tarnlet {

TransientKeyTap::TransientKeyTap(EventTaps& taps, bool consuming, bool watchKeyUp, EventMask alsoWatch)
    : m_taps(taps), m_consuming(consuming), m_watchKeyUp(watchKeyUp), m_alsoWatch(alsoWatch) {}

TransientKeyTap::~TransientKeyTap() { disarm(); }

void TransientKeyTap::arm() {
    if (m_tap) return;
    EventMask mask = maskOf(EventType::keyDown) | m_alsoWatch;
    if (m_watchKeyUp) mask |= maskOf(EventType::keyUp);
    const TapMode mode = m_consuming ? TapMode::filtering : TapMode::listenOnly;
    // Without the permission the owner simply goes without its keys; it has nothing to report.
    m_tap = m_taps.createTap(mask, mode, m_weak.bind([this](const InputEvent& event) { return handle(event); }));
}

void TransientKeyTap::disarm() {
    if (m_tap) m_tap->setEnabled(false);
    m_tap.reset();
}

TapDecision TransientKeyTap::handle(const InputEvent& event) {
    if (!m_tap) return TapDecision::pass;
    if (event.isTapDisabled()) {
        // The owner still holds the keyboard; a tap left off would let its keys leak to the front
        // application.
        m_tap->setEnabled(true);
        return TapDecision::pass;
    }
    if (event.userData == kSyntheticEventMarker || !onKey) return TapDecision::pass;

    KeyEvent key;
    key.code = event.isKey() ? static_cast<std::int64_t>(event.keyCode) : -1;
    key.flags = event.flags;
    key.isKeyUp = event.type == EventType::keyUp;
    key.isRepeat = event.isRepeat;
    key.event = event;

    // Owners commonly disarm or destroy this tap from onKey (a picker closing on Escape), so the call
    // runs on a copy of the handler and reads nothing of this object once it returns.
    const bool consuming = m_consuming;
    const auto handler = onKey;
    const bool claimed = handler(key);
    return claimed && consuming ? TapDecision::swallow : TapDecision::pass;
}

}  // namespace tarnlet
