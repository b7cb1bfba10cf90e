#pragma once
// A short-lived key tap that a component arms while it owns the keyboard (a picker, the break
// screen, the shelf) and disarms afterwards. A consuming tap swallows the events onKey claims, and
// claims its keys with the system while it is in place (the whole keyboard unless told otherwise);
// a listen-only one only watches. Events this system posted itself (carrying the synthetic-event
// marker) pass untouched. Main thread only.
//
// A consuming tap that watches key-ups can keep each key whole: disarmed with
// disarmWhenReleased() while keys whose key-down it swallowed are still held (a picker closing on
// the key-down of Escape or Return), it stays in place, without calling onKey, until their key-ups
// have come, and swallows those and their repeats, so the front application never receives a
// release without its press. disarm() and destruction remove the tap at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/EventTaps.h"
#include "platform/InputEvent.h"

namespace tarnlet {

class TransientKeyTap {
public:
    struct KeyEvent {
        std::int64_t code = -1;  // the key code, or -1 for an event that is not a key event
        std::uint64_t flags = 0;
        bool isKeyUp = false;
        bool isRepeat = false;
        InputEvent event;
        const std::string& characters() const { return event.characters; }
    };

    TransientKeyTap(EventTaps& taps, bool consuming, bool watchKeyUp = false, EventMask alsoWatch = 0,
                    KeyClaim claim = KeyClaim::keyboard());
    ~TransientKeyTap();
    TransientKeyTap(const TransientKeyTap&) = delete;
    TransientKeyTap& operator=(const TransientKeyTap&) = delete;

    // True claims the event (swallowed when the tap is consuming).
    std::function<bool(const KeyEvent&)> onKey;

    // Installs the tap; silently stays disarmed when it cannot be created.
    void arm();
    void disarm();
    // Stops offering events to onKey at once; the tap itself goes once no key whose key-down it
    // swallowed is held any more.
    void disarmWhenReleased();
    bool isArmed() const { return m_armed; }

private:
    TapDecision handle(const InputEvent& event);
    // After disarmWhenReleased(): holds back the rest of the keys whose key-downs were swallowed.
    TapDecision finishHeldKey(const InputEvent& event);

    EventTaps& m_taps;
    const bool m_consuming;
    const bool m_watchKeyUp;
    const EventMask m_alsoWatch;
    const KeyClaim m_keyClaim;
    std::unique_ptr<EventTap> m_tap;
    Subscription m_claim;
    bool m_armed = false;
    // Keys whose key-down was swallowed and whose key-up has not come yet.
    std::set<std::uint16_t> m_heldKeys;
    WeakFactory m_weak;
};

}  // namespace tarnlet
