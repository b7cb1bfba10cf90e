#pragma once
// Global hot keys on an X11 session: each combination is a passive grab of its key on the root
// window, on a connection of its own (so that the key taps' grabs of the same client can never
// silently replace one). The key is the one at the virtual code's position; Command is the Super
// keys' modifier bit, Option the Alt keys', and since Num Lock and Caps Lock change the modifier
// state, each combination is grabbed with every state of the two. A combination another client
// grabbed first is refused by the server (BadAccess): registerHotKey() then returns none, which
// the core reports as a combination held by another application.
//
// A press reaches the installed handler once, however long the key is held (auto-repeat is
// detectable on this connection, so repeats come as presses without releases and are dropped).
// When the keyboard layout changes, every combination is grabbed again under the new keycodes and
// modifier bits.
//
// Main thread only: presses are read in Qt's event loop.

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/Subscription.h"
#include "platform/HotKeys.h"
#include "platform/linux/X11EventConnection.h"

namespace tarnlet {
class SystemLog;
}

namespace tarnlet::linux_desktop {

class X11Keymap;

class X11HotKeys : public HotKeys {
public:
    X11HotKeys(const X11Keymap& keymap, SystemLog& log);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint16_t keyCode, std::uint32_t modifiers,
                                                       HotKeyIdentity identity) override;
    Subscription installHandler(std::function<void(HotKeyIdentity)> onPress) override;

    struct State;  // shared with the registration handles, which may outlive this object

private:
    std::shared_ptr<State> m_state;
    Subscription m_keymapChanges;
};

}  // namespace tarnlet::linux_desktop
