#include "keys/SyntheticPaste.h"

#include "platform/EventTaps.h"

namespace tarnlet {

void SyntheticPaste::post(EventTaps& taps) {
    InputEvent event;
    event.keyCode = kKeyCodeV;
    event.flags = taps.shortcutModifier();
    event.characters.assign(1, 'v');
    event.userData = kSyntheticEventMarker;
    for (const EventType type : {EventType::keyDown, EventType::keyUp}) {
        event.type = type;
        taps.post(event);
    }
}

}  // namespace tarnlet
