#include "keys/SyntheticPaste.h"

#include "platform/EventTaps.h"

namespace tarnlet {

void SyntheticPaste::post(EventTaps& taps) {
    for (const EventType type : {EventType::keyDown, EventType::keyUp}) {
        InputEvent event;
        event.type = type;
        event.keyCode = kKeyCodeV;
        event.flags = ModifierFlag::command;
        event.characters = "v";
        event.userData = kSyntheticEventMarker;
        taps.post(event);
    }
}

}  // namespace tarnlet
