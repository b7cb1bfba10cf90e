#pragma once
// A short-lived key tap that a component arms while it owns the keyboard (a picker, the break
// screen, the shelf) and disarms afterwards. A consuming tap swallows the events onKey claims; a
// listen-only one only watches. Events this system posted itself (carrying the synthetic-event
// marker) pass untouched. Destroying it disarms it. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/WeakToken.h"
#include "platform/InputEvent.h"

namespace tarnlet {

class EventTap;
class EventTaps;
enum class TapDecision;

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

    TransientKeyTap(EventTaps& taps, bool consuming, bool watchKeyUp = false, EventMask alsoWatch = 0);
    ~TransientKeyTap();
    TransientKeyTap(const TransientKeyTap&) = delete;
    TransientKeyTap& operator=(const TransientKeyTap&) = delete;

    // True claims the event (swallowed when the tap is consuming).
    std::function<bool(const KeyEvent&)> onKey;

    // Installs the tap; silently stays disarmed when it cannot be created.
    void arm();
    void disarm();
    bool isArmed() const { return m_tap != nullptr; }

private:
    TapDecision handle(const InputEvent& event);

    EventTaps& m_taps;
    const bool m_consuming;
    const bool m_watchKeyUp;
    const EventMask m_alsoWatch;
    std::unique_ptr<EventTap> m_tap;
    WeakFactory m_weak;
};

}  // namespace tarnlet
