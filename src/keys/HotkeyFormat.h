#pragma once
// Shortcut labels ("⌃⌥⇧C", "r⌘ r⌥ A", "⌘ Space") turned into their parts and into the compact text
// of the settings window. Characters are grapheme clusters, so a symbol with a variation selector
// stays one character.

#include <string>
#include <string_view>
#include <vector>

namespace tarnlet {

class HotkeyFormat {
public:
    struct Parsed {
        bool rightSide = false;
        std::vector<std::string> keys;
        friend bool operator==(const Parsed&, const Parsed&) = default;
    };

    // "⌘", "⌥", "⌃", "⇧".
    static bool isModifier(std::string_view symbol);
    static Parsed parse(std::string_view label);
    static std::string compact(std::string_view label);
};

}  // namespace tarnlet
