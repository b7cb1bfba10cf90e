#include "platform/linux/X11KeyTable.h"

#include <algorithm>
#include <array>

#include "platform/HotKeys.h"
#include "platform/InputEvent.h"

namespace tarnlet::linux_desktop {

namespace {

// Keysyms of the keys that type no text (the X protocol's fixed values).
constexpr std::uint32_t kReturn = 0xff0d, kTab = 0xff09, kEscape = 0xff1b, kBackSpace = 0xff08, kDelete = 0xffff,
                        kInsert = 0xff63, kHome = 0xff50, kEnd = 0xff57, kPageUp = 0xff55, kPageDown = 0xff56,
                        kLeft = 0xff51, kUp = 0xff52, kRight = 0xff53, kDown = 0xff54, kF1 = 0xffbe,
                        kKeypad0 = 0xffb0, kKeypadEnter = 0xff8d, kMute = 0x1008ff12, kVolumeDown = 0x1008ff11,
                        kVolumeUp = 0x1008ff13;

constexpr std::uint32_t f(int n) { return kF1 + static_cast<std::uint32_t>(n - 1); }
constexpr std::uint32_t keypad(int n) { return kKeypad0 + static_cast<std::uint32_t>(n); }

using Key = X11KeyTable::Key;

// The original platform reports the keys that type no text with characters of its own: control
// characters for Return, Tab, Escape and Delete, and a private-use range for the arrows, the
// function keys and the navigation keys.
constexpr std::array kKeys = std::to_array<Key>({
    {0, "AC01", 'a', ""},      {1, "AC02", 's', ""},      {2, "AC03", 'd', ""},      {3, "AC04", 'f', ""},
    {5, "AC05", 'g', ""},      {4, "AC06", 'h', ""},      {38, "AC07", 'j', ""},     {40, "AC08", 'k', ""},
    {37, "AC09", 'l', ""},     {41, "AC10", ';', ""},     {39, "AC11", '\'', ""},    {12, "AD01", 'q', ""},
    {13, "AD02", 'w', ""},     {14, "AD03", 'e', ""},     {15, "AD04", 'r', ""},     {17, "AD05", 't', ""},
    {16, "AD06", 'y', ""},     {32, "AD07", 'u', ""},     {34, "AD08", 'i', ""},     {31, "AD09", 'o', ""},
    {35, "AD10", 'p', ""},     {33, "AD11", '[', ""},     {30, "AD12", ']', ""},     {6, "AB01", 'z', ""},
    {7, "AB02", 'x', ""},      {8, "AB03", 'c', ""},      {9, "AB04", 'v', ""},      {11, "AB05", 'b', ""},
    {45, "AB06", 'n', ""},     {46, "AB07", 'm', ""},     {43, "AB08", ',', ""},     {47, "AB09", '.', ""},
    {44, "AB10", '/', ""},     {18, "AE01", '1', ""},     {19, "AE02", '2', ""},     {20, "AE03", '3', ""},
    {21, "AE04", '4', ""},     {23, "AE05", '5', ""},     {22, "AE06", '6', ""},     {26, "AE07", '7', ""},
    {28, "AE08", '8', ""},     {25, "AE09", '9', ""},     {29, "AE10", '0', ""},     {27, "AE11", '-', ""},
    {24, "AE12", '=', ""},     {50, "TLDE", '`', ""},     {42, "BKSL", '\\', ""},    {49, "SPCE", ' ', ""},
    {10, "LSGT", '<', ""},     {93, "AE13", 0, ""},       {94, "AB11", 0, ""},
    {36, "RTRN", kReturn, "\r"},          {48, "TAB", kTab, "\t"},              {53, "ESC", kEscape, "\x1b"},
    {51, "BKSP", kBackSpace, "\x7f"},     {117, "DELE", kDelete, "\uF728"},     {114, "INS", kInsert, "\uF746"},
    {115, "HOME", kHome, "\uF729"},       {119, "END", kEnd, "\uF72B"},         {116, "PGUP", kPageUp, "\uF72C"},
    {121, "PGDN", kPageDown, "\uF72D"},   {123, "LEFT", kLeft, "\uF702"},       {124, "RGHT", kRight, "\uF703"},
    {125, "DOWN", kDown, "\uF701"},       {126, "UP", kUp, "\uF700"},
    {122, "FK01", f(1), "\uF704"},        {120, "FK02", f(2), "\uF705"},        {99, "FK03", f(3), "\uF706"},
    {118, "FK04", f(4), "\uF707"},        {96, "FK05", f(5), "\uF708"},         {97, "FK06", f(6), "\uF709"},
    {98, "FK07", f(7), "\uF70A"},         {100, "FK08", f(8), "\uF70B"},        {101, "FK09", f(9), "\uF70C"},
    {109, "FK10", f(10), "\uF70D"},       {103, "FK11", f(11), "\uF70E"},       {111, "FK12", f(12), "\uF70F"},
    {105, "FK13", f(13), "\uF710"},       {107, "FK14", f(14), "\uF711"},       {113, "FK15", f(15), "\uF712"},
    {106, "FK16", f(16), "\uF713"},       {64, "FK17", f(17), "\uF714"},        {79, "FK18", f(18), "\uF715"},
    {80, "FK19", f(19), "\uF716"},        {90, "FK20", f(20), "\uF717"},
    {82, "KP0", keypad(0), ""},           {83, "KP1", keypad(1), ""},           {84, "KP2", keypad(2), ""},
    {85, "KP3", keypad(3), ""},           {86, "KP4", keypad(4), ""},           {87, "KP5", keypad(5), ""},
    {88, "KP6", keypad(6), ""},           {89, "KP7", keypad(7), ""},           {91, "KP8", keypad(8), ""},
    {92, "KP9", keypad(9), ""},           {65, "KPDL", 0xffae, ""},             {67, "KPMU", 0xffaa, ""},
    {69, "KPAD", 0xffab, ""},             {78, "KPSU", 0xffad, ""},             {75, "KPDV", 0xffaf, ""},
    {81, "KPEQ", 0xffbd, ""},             {76, "KPEN", kKeypadEnter, "\x03"},   {71, "NMLK", X11KeyTable::kNumLock, "\uF739"},
    {74, "MUTE", kMute, ""},              {73, "VOL-", kVolumeDown, ""},        {72, "VOL+", kVolumeUp, ""},
});

using Modifier = X11KeyTable::Modifier;
namespace F = ModifierFlag;

constexpr std::array kModifiers = std::to_array<Modifier>({
    {X11KeyTable::kShiftLeft, 56, F::leftShift, F::shift},
    {0xffe2 /* Shift_R */, 60, F::rightShift, F::shift},
    {X11KeyTable::kControlLeft, 59, F::leftControl, F::control},
    {0xffe4 /* Control_R */, 62, F::rightControl, F::control},
    {X11KeyTable::kAltLeft, 58, F::leftOption, F::option},
    {0xffe7 /* Meta_L */, 58, F::leftOption, F::option},
    {0xffea /* Alt_R */, 61, F::rightOption, F::option},
    {0xffe8 /* Meta_R */, 61, F::rightOption, F::option},
    {X11KeyTable::kSuperLeft, 55, F::leftCommand, F::command},
    {0xffec /* Super_R */, 54, F::rightCommand, F::command},
    {X11KeyTable::kMenu, 54, F::rightCommand, F::command},
    {X11KeyTable::kCapsLock, 57, 0, 0},
});

}  // namespace

std::span<const X11KeyTable::Key> X11KeyTable::keys() { return kKeys; }
std::span<const X11KeyTable::Modifier> X11KeyTable::modifiers() { return kModifiers; }

std::optional<std::uint16_t> X11KeyTable::codeAt(std::string_view position) {
    const auto found = std::find_if(kKeys.begin(), kKeys.end(), [&](const Key& k) { return k.position == position; });
    if (found == kKeys.end()) return std::nullopt;
    return found->code;
}

const X11KeyTable::Key* X11KeyTable::key(std::uint16_t code) {
    const auto found = std::find_if(kKeys.begin(), kKeys.end(), [&](const Key& k) { return k.code == code; });
    return found == kKeys.end() ? nullptr : &*found;
}

const X11KeyTable::Modifier* X11KeyTable::modifier(std::uint32_t keysym) {
    const auto found =
        std::find_if(kModifiers.begin(), kModifiers.end(), [&](const Modifier& m) { return m.keysym == keysym; });
    return found == kModifiers.end() ? nullptr : &*found;
}

std::uint64_t X11KeyTable::flagsForDeviceBits(std::uint64_t deviceBits) {
    std::uint64_t flags = 0;
    for (const Modifier& m : kModifiers)
        if (m.deviceBit & deviceBits) flags |= m.deviceBit | m.flag;
    return flags;
}

std::uint64_t X11KeyTable::flagsForHotKeyModifiers(std::uint32_t modifiers) {
    std::uint64_t flags = 0;
    if (modifiers & HotKeyModifier::command) flags |= F::command;
    if (modifiers & HotKeyModifier::shift) flags |= F::shift;
    if (modifiers & HotKeyModifier::option) flags |= F::option;
    if (modifiers & HotKeyModifier::control) flags |= F::control;
    return flags;
}

}  // namespace tarnlet::linux_desktop
