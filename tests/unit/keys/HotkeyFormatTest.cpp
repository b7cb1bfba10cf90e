#include "keys/HotkeyFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnlet {
namespace {

using Keys = std::vector<std::string>;

HotkeyFormat::Parsed parsed(bool rightSide, Keys keys) { return {rightSide, std::move(keys)}; }

TEST(HotkeyFormatTest, ModifierSymbolsAreExactlyTheFour) {
    for (const char* symbol : {"⌘", "⌥", "⌃", "⇧"}) EXPECT_TRUE(HotkeyFormat::isModifier(symbol)) << symbol;
    for (const char* other : {"", "r", "C", "⌘⌥", "⌘\uFE0E", "⎋"}) EXPECT_FALSE(HotkeyFormat::isModifier(other)) << other;
}

TEST(HotkeyFormatTest, ParseSplitsPiecesIntoSymbolsAndNames) {
    EXPECT_EQ(HotkeyFormat::parse("⌃⌥⇧C"), parsed(false, {"⌃", "⌥", "⇧", "C"}));
    EXPECT_EQ(HotkeyFormat::parse("⌘ Space"), parsed(false, {"⌘", "Space"}));
    // A symbol fused to a word is not a name: every character stands alone.
    EXPECT_EQ(HotkeyFormat::parse("⌘Space"), parsed(false, {"⌘", "S", "p", "a", "c", "e"}));
    // Letters outside A-Z and digits are no name either.
    EXPECT_EQ(HotkeyFormat::parse("F1"), parsed(false, {"F", "1"}));
    EXPECT_EQ(HotkeyFormat::parse("Éa"), parsed(false, {"É", "a"}));
    // Runs of spaces and leading or trailing spaces make no empty keys.
    EXPECT_EQ(HotkeyFormat::parse("  ⌘   Return  "), parsed(false, {"⌘", "Return"}));
    EXPECT_EQ(HotkeyFormat::parse(""), parsed(false, {}));
    EXPECT_EQ(HotkeyFormat::parse("   "), parsed(false, {}));
}

TEST(HotkeyFormatTest, RightSideMarkerIsAnRBeforeAModifierSymbol) {
    EXPECT_EQ(HotkeyFormat::parse("r⌘ r⌥ A"), parsed(true, {"⌘", "⌥", "A"}));
    // Once set by any piece, it stays set.
    EXPECT_EQ(HotkeyFormat::parse("⌃ r⇧ Tab"), parsed(true, {"⌃", "⇧", "Tab"}));
    // Only the first character of a piece can be the marker.
    EXPECT_EQ(HotkeyFormat::parse("⌘r⌥"), parsed(false, {"⌘", "r", "⌥"}));
    EXPECT_EQ(HotkeyFormat::parse("r"), parsed(false, {"r"}));
    EXPECT_EQ(HotkeyFormat::parse("rA"), parsed(false, {"rA"}));
    EXPECT_EQ(HotkeyFormat::parse("r1"), parsed(false, {"r", "1"}));
    EXPECT_EQ(HotkeyFormat::parse("R⌘"), parsed(false, {"R", "⌘"}));
    // What follows the marker is judged on its own: a symbol and a word split into characters.
    EXPECT_EQ(HotkeyFormat::parse("r⌘Up"), parsed(true, {"⌘", "U", "p"}));
}

TEST(HotkeyFormatTest, GraphemeClustersStayOneKey) {
    const std::string withSelector = "⌘\uFE0F";         // symbol with a variation selector
    const std::string combined = "e\u0301";             // e with a combining acute accent
    const std::string flag = "\U0001F1E9\U0001F1EA";    // a regional-indicator pair
    EXPECT_EQ(HotkeyFormat::parse(withSelector + "K"), parsed(false, {withSelector, "K"}));
    EXPECT_EQ(HotkeyFormat::parse("⌥" + combined), parsed(false, {"⌥", combined}));
    EXPECT_EQ(HotkeyFormat::parse(flag + "A"), parsed(false, {flag, "A"}));
    // A decorated modifier symbol is not a modifier, so it cannot follow the marker.
    EXPECT_EQ(HotkeyFormat::parse("r" + withSelector), parsed(false, {"r", withSelector}));
    // A space carrying a combining mark is a character of the piece, not a separator.
    EXPECT_EQ(HotkeyFormat::parse("⌘ \u0301A"), parsed(false, {"⌘", " \u0301", "A"}));
}

TEST(HotkeyFormatTest, CompactJoinsSingleCharactersAndSetsNamesApart) {
    EXPECT_EQ(HotkeyFormat::compact("⌃ ⌥ ⇧ C"), "⌃⌥⇧C");
    EXPECT_EQ(HotkeyFormat::compact("⌃⌥⇧C"), "⌃⌥⇧C");
    EXPECT_EQ(HotkeyFormat::compact("r⌘ r⌥ A"), "r ⌘⌥A");
    EXPECT_EQ(HotkeyFormat::compact("⌘ Space"), "⌘ Space");
    EXPECT_EQ(HotkeyFormat::compact("⌃   ⌥  Return"), "⌃⌥ Return");
    EXPECT_EQ(HotkeyFormat::compact("Page Down ⌘"), "Page Down ⌘");
    EXPECT_EQ(HotkeyFormat::compact("⌘Space"), "⌘Space");
    EXPECT_EQ(HotkeyFormat::compact("r⌥ Left"), "r ⌥ Left");
    EXPECT_EQ(HotkeyFormat::compact("rA"), "rA");
    EXPECT_EQ(HotkeyFormat::compact("r"), "r");
    EXPECT_EQ(HotkeyFormat::compact(""), "");
    EXPECT_EQ(HotkeyFormat::compact("  "), "");
    // A multi-byte cluster counts as one character.
    EXPECT_EQ(HotkeyFormat::compact("⌘\uFE0F e\u0301"), "⌘\uFE0Fe\u0301");
}

TEST(HotkeyFormatTest, MalformedUTF8BecomesReplacementCharacters) {
    const std::string replacement = "\uFFFD";
    // A stray continuation byte, a truncated sequence and an overlong encoding.
    EXPECT_EQ(HotkeyFormat::parse("⌘\x80"), parsed(false, {"⌘", replacement}));
    EXPECT_EQ(HotkeyFormat::parse("\xE2\x8C A"), parsed(false, {replacement, "A"}));
    EXPECT_EQ(HotkeyFormat::parse(std::string("r\xC0\xAF")).keys.size(), 3u);
    EXPECT_EQ(HotkeyFormat::compact("\xFF\xFE Space"), replacement + replacement + " Space");
    // An embedded NUL is an ordinary character, not the end of the label.
    EXPECT_EQ(HotkeyFormat::parse(std::string_view("⌘\0A", 5)), parsed(false, {"⌘", std::string(1, '\0'), "A"}));
}

}  // namespace
}  // namespace tarnlet
