#pragma once
// One input event as the window server reports it: key codes are the 16-bit virtual key codes of
// the hardware keyboard (ANSI positions), flags the 64-bit modifier flag word. A backend maps its
// native events into these. Plain values; any thread.

#include <cstdint>
#include <string>

#include "base/Geometry.h"

namespace tarnlet {

enum class EventType : std::uint32_t {
    null = 0,
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
    rightMouseDragged = 7,
    keyDown = 10,
    keyUp = 11,
    flagsChanged = 12,
    scrollWheel = 22,
    otherMouseDown = 25,
    otherMouseUp = 26,
    // Sent to a tap's callback when the system switched the tap off.
    tapDisabledByTimeout = 0xFFFFFFFE,
    tapDisabledByUserInput = 0xFFFFFFFF,
};

using EventMask = std::uint64_t;
constexpr EventMask maskOf(EventType type) {
    return static_cast<std::uint32_t>(type) < 64 ? EventMask{1} << static_cast<std::uint32_t>(type) : 0;
}

// Bits of the modifier flag word.
namespace ModifierFlag {
inline constexpr std::uint64_t leftControl = 0x1;
inline constexpr std::uint64_t leftShift = 0x2;
inline constexpr std::uint64_t rightShift = 0x4;
inline constexpr std::uint64_t leftCommand = 0x8;
inline constexpr std::uint64_t rightCommand = 0x10;
inline constexpr std::uint64_t leftOption = 0x20;
inline constexpr std::uint64_t rightOption = 0x40;
inline constexpr std::uint64_t nonCoalesced = 0x100;
inline constexpr std::uint64_t rightControl = 0x2000;
inline constexpr std::uint64_t capsLock = 0x10000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t function = 0x800000;
}  // namespace ModifierFlag

// The user-data value that marks the events this system posts itself; every tap of the system
// passes such events unchanged.
inline constexpr std::int64_t kSyntheticEventMarker = 0x4D616355;

struct InputEvent {
    EventType type = EventType::null;
    std::uint16_t keyCode = 0;
    std::uint64_t flags = 0;
    bool isRepeat = false;
    // What the key types with the current layout and modifiers: at most four UTF-16 units, here as
    // UTF-8; empty when it types nothing.
    std::string characters;
    // The event source's user-data field.
    std::int64_t userData = 0;
    // The pointer, in desktop coordinates.
    Point location;

    bool isKey() const { return type == EventType::keyDown || type == EventType::keyUp; }
    bool isTapDisabled() const {
        return type == EventType::tapDisabledByTimeout || type == EventType::tapDisabledByUserInput;
    }
};

}  // namespace tarnlet
