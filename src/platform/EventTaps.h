#pragma once
// Event taps: a callback placed at the head of the session's event chain for the event types of a
// mask. A filtering tap may swallow an event, so that nothing after it (the frontmost application
// included) sees it; a listen-only tap only watches. A new tap is enabled; a disabled tap is
// skipped without cost. When the system switches a tap off (its callback was too slow, or user
// input), the callback receives a tapDisabledBy… event and the tap stays off until re-enabled.
//
// Creating a tap needs the accessibility permission; without it createTap() returns none.
// Callbacks run on the main thread.

#include <functional>
#include <memory>

#include "platform/InputEvent.h"

namespace tarnlet {

enum class TapMode { listenOnly, filtering };
enum class TapDecision { pass, swallow };

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
};

}  // namespace tarnlet
