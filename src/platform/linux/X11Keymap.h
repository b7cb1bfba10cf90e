#pragma once
// The keyboard as the X server describes it now: its layout (read through xkbcommon from the
// server's keyboard description), which modifier bits the Super, Alt and Num Lock keys set, and the
// current modifier and lock state. It translates between X keycodes and the core's virtual codes
// through X11KeyTable, and follows the server: a new layout (setxkbmap, a layout switch) is read
// again and announced to the observers, every state change is taken in.
//
// It selects XKB's events on the connection it is given, whose owner hands it that connection's
// events (handleEvent). It also asks for detectable auto-repeat on that connection: a held key then
// repeats as presses without releases in between, so a repeat can be told from a new press.
//
// Main thread only.

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ObserverList.h"
#include "base/Subscription.h"
#include "platform/linux/X11KeyTable.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace tarnlet::linux_desktop {

class X11Keymap {
public:
    explicit X11Keymap(xcb_connection_t* connection);
    ~X11Keymap();
    X11Keymap(const X11Keymap&) = delete;
    X11Keymap& operator=(const X11Keymap&) = delete;

    // Whether the server offers XKB and a layout was read; without, no key has a code.
    bool isValid() const { return m_keymap != nullptr; }
    // Takes in an XKB event of the connection; false for any other event.
    bool handleEvent(const xcb_generic_event_t& event);
    // Told after the layout or the modifier bits changed.
    [[nodiscard]] Subscription observeChanges(std::function<void()> handler) const {
        return m_changes.add(std::move(handler));
    }

    // The virtual code of a key that is no modifier; none for a key the table does not know.
    std::optional<std::uint16_t> code(xcb_keycode_t keycode) const;
    // The modifier a key is; none for every other key (AltGr included).
    const X11KeyTable::Modifier* modifier(xcb_keycode_t keycode) const { return m_modifiers[keycode]; }
    // The keys that produce this keysym without any modifier, in the first layout.
    std::vector<xcb_keycode_t> keycodesFor(std::uint32_t keysym) const;
    // The key at a virtual code's position.
    std::optional<xcb_keycode_t> keycodeAt(std::uint16_t code) const;
    // The key that types a virtual code's character in the active layout, or the one at its position.
    std::optional<xcb_keycode_t> keycodeTyping(std::uint16_t code) const;

    // The X modifier bit of a flag (ModifierFlag::shift, control, option or command); 0 when no key
    // sets one.
    std::uint16_t maskFor(std::uint64_t flag) const;
    // The X modifier bits a key sets while it is down; 0 for the Menu key and every key that is no
    // modifier.
    std::uint16_t maskOf(xcb_keycode_t keycode) const { return m_keyMasks[keycode]; }
    // The bit Num Lock sets, 0 when none does.
    std::uint16_t numLockMask() const { return m_numLockMask; }
    // The modifiers in effect now, as X modifier bits.
    std::uint16_t effectiveMask() const { return m_effectiveMods; }
    bool isCapsLocked() const { return (m_lockedMods & XCB_MOD_MASK_LOCK) != 0; }
    // What the key types now, as UTF-8; empty when it types nothing.
    std::string characters(xcb_keycode_t keycode) const;

    // Asks the server to report a held key's repeats on this connection as presses only, without
    // the releases in between; false without XKB.
    static bool makeAutoRepeatDetectable(xcb_connection_t* connection);

private:
    struct Release {
        void operator()(xkb_context* context) const;
        void operator()(xkb_keymap* keymap) const;
        void operator()(xkb_state* state) const;
    };

    void load();
    void readModifierMapping();
    std::uint32_t baseKeysym(xcb_keycode_t keycode, std::uint32_t layout) const;

    xcb_connection_t* m_connection;
    std::uint8_t m_eventBase = 0;
    std::int32_t m_device = -1;
    std::unique_ptr<xkb_context, Release> m_context;
    std::unique_ptr<xkb_keymap, Release> m_keymap;
    std::unique_ptr<xkb_state, Release> m_state;
    std::array<std::optional<std::uint16_t>, 256> m_codes{};
    std::array<const X11KeyTable::Modifier*, 256> m_modifiers{};
    std::array<std::uint16_t, 256> m_keyMasks{};
    std::uint16_t m_optionMask = 0;
    std::uint16_t m_commandMask = 0;
    std::uint16_t m_numLockMask = 0;
    std::uint16_t m_lockedMods = 0;
    std::uint16_t m_effectiveMods = 0;
    mutable ObserverList<> m_changes;
};

}  // namespace tarnlet::linux_desktop
