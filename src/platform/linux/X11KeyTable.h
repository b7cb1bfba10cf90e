#pragma once
// The one table between the keys of an X keyboard and the core's virtual key codes and modifier
// flag bits. Plain data without any X or Qt contact, so that it can be tested on its own.
//
// A key's virtual code is its position (the code the original platform's ANSI keyboard gives the
// key in that place, whatever the layout types there), and X names positions in its keyboard
// description: "AC01" is the key right of Caps Lock, an A on a US layout and a Q on a French one.
// Modifiers are the exception: they are known by the keysym they produce, so that a key the user
// remapped (Caps Lock made a Control key) counts as what it now is. Command is Super, Option is
// Alt (or Meta), Control is Control, Shift is Shift; the keysym's _L or _R says the side. The Menu
// key counts as the right Command key, since many PC keyboards have no right Super key. AltGr
// (ISO_Level3_Shift, Mode_switch) is no modifier here at all: on the layouts that have it, right
// Alt chooses characters (@, €, { on a German keyboard) and must never turn into a leader.
//
// Posting goes the other way: a key that types a character is posted as the key typing that
// character in the active layout when there is one (so that a posted Control-V pastes on a Dvorak
// layout too), and by position otherwise; `keysym` gives the character.
//
// Any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tarnlet::linux_desktop {

class X11KeyTable {
public:
    struct Key {
        std::uint16_t code;           // the virtual key code
        std::string_view position;    // the X keyboard description's name of the key's place
        std::uint32_t keysym;         // what the key types on a US layout, without modifiers
        std::string_view characters;  // for keys that type no text: what the original platform reports
    };

    struct Modifier {
        std::uint32_t keysym;
        std::uint16_t code;
        std::uint64_t deviceBit;  // the left- or right-hand bit; 0 for Caps Lock
        std::uint64_t flag;       // the side-independent bit; 0 for Caps Lock, whose bit is its lock
    };

    // Keysyms this backend asks for by name.
    static constexpr std::uint32_t kCapsLock = 0xffe5;
    static constexpr std::uint32_t kNumLock = 0xff7f;
    static constexpr std::uint32_t kShiftLeft = 0xffe1;
    static constexpr std::uint32_t kControlLeft = 0xffe3;
    static constexpr std::uint32_t kAltLeft = 0xffe9;
    static constexpr std::uint32_t kSuperLeft = 0xffeb;
    static constexpr std::uint32_t kMenu = 0xff67;

    static std::span<const Key> keys();
    static std::span<const Modifier> modifiers();

    // The virtual code of the key at an X position name; none for a place the table does not know.
    static std::optional<std::uint16_t> codeAt(std::string_view position);
    // The key with this virtual code (the first, where two places share one); none for an unknown code.
    static const Key* key(std::uint16_t code);
    // The modifier a keysym makes; none for every other keysym, AltGr included.
    static const Modifier* modifier(std::uint32_t keysym);

    // The flag word of the held modifiers' device bits: each side's bit with its side-independent one.
    static std::uint64_t flagsForDeviceBits(std::uint64_t deviceBits);
    // The flag bits (Command, Shift, Option, Control) of a hot-key modifier mask.
    static std::uint64_t flagsForHotKeyModifiers(std::uint32_t modifiers);
};

}  // namespace tarnlet::linux_desktop
