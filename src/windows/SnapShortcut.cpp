#include "windows/SnapShortcut.h"

#include "keys/HotkeyFormat.h"
#include "platform/HotKeys.h"
#include "platform/InputEvent.h"
#include "windows/SnapIcon.h"

namespace tarnlet {

namespace {

constexpr std::uint64_t kChordFlags = ModifierFlag::control | ModifierFlag::option;
constexpr std::uint64_t kDisplayFlags = kChordFlags | ModifierFlag::command;
constexpr std::uint32_t kChordMask = HotKeyModifier::control | HotKeyModifier::option;
constexpr std::uint32_t kDisplayMask = kChordMask | HotKeyModifier::command;

// The platform's function-key characters for the arrows, as UTF-8.
const std::string kLeftArrow = "\xEF\x9C\x82";   // U+F702
const std::string kRightArrow = "\xEF\x9C\x83";  // U+F703
const std::string kUpArrow = "\xEF\x9C\x80";     // U+F700
const std::string kDownArrow = "\xEF\x9C\x81";   // U+F701
const std::string kReturn = "\r";
const std::string kBackspace = "\b";

SnapShortcut make(SnapPosition p, const char* title, std::string key, std::uint64_t modifiers = kChordFlags) {
    return SnapShortcut{p, title, std::move(key), modifiers};
}

// What a key character looks like in shortcut text.
std::string keySymbol(const std::string& key) {
    if (key == kLeftArrow) return "←";
    if (key == kRightArrow) return "→";
    if (key == kUpArrow) return "↑";
    if (key == kDownArrow) return "↓";
    if (key == kReturn) return "↩";
    if (key == kBackspace) return "⌫";
    std::string upper = key;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

}  // namespace

const std::vector<SnapShortcut::Group>& SnapShortcut::groups() {
    using P = SnapPosition;
    static const std::vector<Group> table = {
        {"Halves",
         {make(P::leftHalf, "Left", kLeftArrow), make(P::rightHalf, "Right", kRightArrow),
          make(P::topHalf, "Top", kUpArrow), make(P::bottomHalf, "Bottom", kDownArrow)}},
        {"Quarters",
         {make(P::topLeft, "Top Left", "u"), make(P::topRight, "Top Right", "i"),
          make(P::bottomLeft, "Bottom Left", "j"), make(P::bottomRight, "Bottom Right", "k")}},
        {"Thirds",
         {make(P::leftThird, "Left Third", "d"), make(P::centerThird, "Center Third", "f"),
          make(P::rightThird, "Right Third", "g")}},
        {"Two thirds", {make(P::leftTwoThirds, "Left Two Thirds", "e"), make(P::rightTwoThirds, "Right Two Thirds", "t")}},
        {"Whole window",
         {make(P::maximize, "Maximize", kReturn), make(P::center, "Center", "c"), make(P::restore, "Restore", kBackspace)}},
        {"Other displays",
         {make(P::previousDisplay, "Previous Display", kLeftArrow, kDisplayFlags),
          make(P::nextDisplay, "Next Display", kRightArrow, kDisplayFlags)}},
    };
    return table;
}

const std::array<SnapShortcut::HotKey, 18>& SnapShortcut::hotKeys() {
    using P = SnapPosition;
    static const std::array<HotKey, 18> table = {{
        {P::leftHalf, 123, kChordMask},     {P::rightHalf, 124, kChordMask},
        {P::topHalf, 126, kChordMask},      {P::bottomHalf, 125, kChordMask},
        {P::topLeft, 32, kChordMask},       {P::topRight, 34, kChordMask},
        {P::bottomLeft, 38, kChordMask},    {P::bottomRight, 40, kChordMask},
        {P::leftThird, 2, kChordMask},      {P::centerThird, 3, kChordMask},
        {P::rightThird, 5, kChordMask},     {P::leftTwoThirds, 14, kChordMask},
        {P::rightTwoThirds, 17, kChordMask}, {P::maximize, 36, kChordMask},
        {P::center, 8, kChordMask},         {P::restore, 51, kChordMask},
        {P::previousDisplay, 123, kDisplayMask}, {P::nextDisplay, 124, kDisplayMask},
    }};
    return table;
}

std::string SnapShortcut::display(const SnapShortcut& shortcut) {
    // Modifiers in the platform's customary order: Control, Option, Shift, Command.
    std::string label;
    if (shortcut.modifiers & ModifierFlag::control) label += "⌃";
    if (shortcut.modifiers & ModifierFlag::option) label += "⌥";
    if (shortcut.modifiers & ModifierFlag::shift) label += "⇧";
    if (shortcut.modifiers & ModifierFlag::command) label += "⌘";
    label += keySymbol(shortcut.key);
    return HotkeyFormat::compact(label);
}

std::optional<std::string> SnapShortcut::hintLabel(SnapPosition position) {
    switch (position) {
        case SnapPosition::leftHalf: return "←";
        case SnapPosition::rightHalf: return "→";
        case SnapPosition::topHalf: return "↑";
        case SnapPosition::bottomHalf: return "↓";
        case SnapPosition::maximize: return "⏎";
        case SnapPosition::topLeft: return "U";
        case SnapPosition::topRight: return "I";
        case SnapPosition::bottomLeft: return "J";
        case SnapPosition::bottomRight: return "K";
        case SnapPosition::center: return "C";
        case SnapPosition::restore: return "⌫";
        default: return std::nullopt;
    }
}

const std::array<std::vector<SnapPosition>, 2>& SnapShortcut::hintRows() {
    using P = SnapPosition;
    static const std::array<std::vector<SnapPosition>, 2> rows = {{
        {P::leftHalf, P::rightHalf, P::topHalf, P::bottomHalf, P::maximize},
        {P::topLeft, P::topRight, P::bottomLeft, P::bottomRight, P::center, P::restore},
    }};
    return rows;
}

std::array<std::vector<NotchBarItem>, 2> SnapShortcut::hintItems() {
    std::array<std::vector<NotchBarItem>, 2> rows;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const SnapPosition position : hintRows()[r]) {
            NotchBarItem item;
            item.icon = SnapIcon::image(position);
            item.badge = hintLabel(position);
            rows[r].push_back(std::move(item));
        }
    }
    return rows;
}

}  // namespace tarnlet
