#pragma once
// Event taps: a callback placed at the head of the session's event chain for the event types of a
// mask. A filtering tap may swallow an event, so that nothing after it (the frontmost application
// included) sees it; a listen-only tap only watches. A new tap is enabled; a disabled tap is
// skipped without cost. When the system switches a tap off (its callback was too slow, or user
// input), the callback receives a tapDisabledBy… event and the tap stays off until re-enabled.
//
// Creating a tap needs the accessibility permission; without it createTap() returns none.
// Callbacks run on the main thread.
//
// A desktop without a global event filter (X11) cannot offer every event to a filtering tap; it
// intercepts with grabs instead, which must be in place before the first key of a combination
// arrives and should cover no more than can be claimed, so that the rest of the typing never takes
// a detour. The taps' owners therefore declare, ahead of time, the key combinations they may come
// to swallow (claimKeys()); a desktop with a global filter has no use for the claims.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "base/Subscription.h"
#include "platform/InputEvent.h"

namespace tarnlet {

enum class TapMode { listenOnly, filtering };
enum class TapDecision { pass, swallow };

// Key combinations the filtering taps may swallow; key codes are virtual key codes.
struct KeyClaim {
    enum class Kind {
        keyboard,     // every key: a picker or the break screen owns the keyboard
        leader,       // the keys while a right-hand leader key is held (the device bits in `modifiers`)
        combination,  // the keys with exactly the modifiers in `modifiers` (Shift, Control, Option, Command)
    };
    Kind kind = Kind::keyboard;
    std::vector<std::uint16_t> keyCodes;
    std::uint64_t modifiers = 0;

    static KeyClaim keyboard() { return {}; }
    static KeyClaim underLeaders(std::uint64_t leaderBits, std::vector<std::uint16_t> keyCodes) {
        return {Kind::leader, std::move(keyCodes), leaderBits};
    }
    static KeyClaim withModifiers(std::uint64_t modifiers, std::vector<std::uint16_t> keyCodes) {
        return {Kind::combination, std::move(keyCodes), modifiers};
    }
    friend bool operator==(const KeyClaim&, const KeyClaim&) = default;
};

// A tap in the chain; destroying the handle removes the tap.
class EventTap {
public:
    virtual ~EventTap() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

class EventTaps {
public:
    virtual ~EventTaps() = default;

    using Callback = std::function<TapDecision(const InputEvent&)>;
    virtual std::unique_ptr<EventTap> createTap(EventMask mask, TapMode mode, Callback callback) = 0;
    // Posts a synthetic event at the head of the session's chain, as if typed; give it the
    // synthetic-event marker so that this system's own taps pass it.
    virtual void post(const InputEvent& event) = 0;
    // True while a password field anywhere has asked for secure keyboard input: taps then see no
    // keys, and tools that replay keys should leave them alone.
    virtual bool isSecureEventInputEnabled() const = 0;
    // Declares combinations the filtering taps may swallow, for as long as the handle lives.
    [[nodiscard]] virtual Subscription claimKeys(KeyClaim claim) = 0;
    // The modifier of the copy and paste shortcuts: Command on the original platform, Control where
    // applications copy with Control-C and paste with Control-V.
    virtual std::uint64_t shortcutModifier() const = 0;
};

}  // namespace tarnlet
