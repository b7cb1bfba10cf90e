#pragma once
// How long the user has left each kind of input alone, as the window server's combined session
// state reports it: the seconds since the last key down, mouse move, click, drag or scroll. Used
// to tell an idle user from a busy one. Main thread.

#include "platform/InputEvent.h"

namespace tarnlet {

class InputIdle {
public:
    virtual ~InputIdle() = default;
    // Seconds since the user last produced an event of this type; never negative.
    virtual double secondsSinceLastEvent(EventType type) const = 0;
};

}  // namespace tarnlet
