#pragma once
// The system's global hot-key service: a key code with an exact set of modifiers (the service's own
// masks: command 0x0100, shift 0x0200, option 0x0800, control 0x1000) registered under a
// (signature, identifier) identity. A combination another application holds is refused. Presses
// arrive through one handler per process, with the identity of the combination pressed.
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/Subscription.h"

namespace tarnlet {

namespace HotKeyModifier {
inline constexpr std::uint32_t command = 0x0100;
inline constexpr std::uint32_t shift = 0x0200;
inline constexpr std::uint32_t option = 0x0800;
inline constexpr std::uint32_t control = 0x1000;
}  // namespace HotKeyModifier

struct HotKeyIdentity {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    friend bool operator==(const HotKeyIdentity&, const HotKeyIdentity&) = default;
};

// A registered combination; destroying the handle unregisters it.
class HotKeyRegistration {
public:
    virtual ~HotKeyRegistration() = default;
};

class HotKeys {
public:
    virtual ~HotKeys() = default;
    // None when the combination is refused (taken by another application, or invalid).
    virtual std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint16_t keyCode, std::uint32_t modifiers,
                                                               HotKeyIdentity identity) = 0;
    // The process's hot-key event handler: called with the identity of each press.
    virtual Subscription installHandler(std::function<void(HotKeyIdentity)> onPress) = 0;
};

}  // namespace tarnlet
