#include "keys/KeyCodes.h"

#include <array>
#include <utility>

namespace tarnlet {

namespace {

using Entry = std::pair<std::uint16_t, std::string_view>;

// The ANSI positions, whatever the active layout: the chords name physical keys so that a letter
// stays on the same key when the user switches input source.
constexpr std::array<Entry, 26> kLetters = {{
    {0, "a"},  {11, "b"}, {8, "c"},  {2, "d"},  {14, "e"}, {3, "f"},  {5, "g"},
    {4, "h"},  {34, "i"}, {38, "j"}, {40, "k"}, {37, "l"}, {46, "m"}, {45, "n"},
    {31, "o"}, {35, "p"}, {12, "q"}, {15, "r"}, {1, "s"},  {17, "t"}, {32, "u"},
    {9, "v"},  {13, "w"}, {7, "x"},  {16, "y"}, {6, "z"},
}};

// The 0 key (code 29) is deliberately absent: no chord uses it.
constexpr std::array<Entry, 9> kDigits = {{
    {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {23, "5"}, {22, "6"}, {26, "7"}, {28, "8"}, {25, "9"},
}};

constexpr std::array<Entry, 3> kMedia = {{{43, ","}, {44, "/"}, {47, "."}}};

template <std::size_t N>
constexpr std::optional<std::string_view> find(const std::array<Entry, N>& table, std::uint16_t code) {
    for (const auto& [key, text] : table)
        if (key == code) return text;
    return std::nullopt;
}

}  // namespace

std::optional<std::string_view> KeyCodes::letter(std::uint16_t code) { return find(kLetters, code); }
std::optional<std::string_view> KeyCodes::digit(std::uint16_t code) { return find(kDigits, code); }
std::optional<std::string_view> KeyCodes::media(std::uint16_t code) { return find(kMedia, code); }

}  // namespace tarnlet
