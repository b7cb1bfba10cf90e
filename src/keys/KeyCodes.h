#pragma once
// The keys the chords know, by virtual key code (ANSI positions, whatever the active layout):
// 26 letters, the digits 1 to 9 (the 0 key has no entry) and the three media keys ",", "/" and ".".
// A code outside a table yields none.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnlet {

class KeyCodes {
public:
    static constexpr std::uint16_t kSemicolon = 41;
    static constexpr std::uint16_t kGrave = 50;

    static std::optional<std::string_view> letter(std::uint16_t code);  // lower case
    static std::optional<std::string_view> digit(std::uint16_t code);
    static std::optional<std::string_view> media(std::uint16_t code);
};

}  // namespace tarnlet
