// The table between X keys and the core's key codes, checked against the simulated keyboard's own
// table and the leader logic, so that a code typed wrong in either place shows.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "keys/KeyCodes.h"
#include "keys/KeyTapLogic.h"
#include "platform/HotKeys.h"
#include "platform/InputEvent.h"
#include "platform/linux/X11KeyTable.h"
#include "platform/sim/SimKeyboard.h"

namespace tarnlet {
namespace {

using linux_desktop::X11KeyTable;

TEST(X11KeyTable, AgreesWithTheSimulatedKeyboardAndTheChordTables) {
    int compared = 0;
    for (const X11KeyTable::Key& key : X11KeyTable::keys()) {
        SCOPED_TRACE(std::string(key.position));
        if (key.keysym > 0x20 && key.keysym < 0x7f) {
            const std::string typed(1, static_cast<char>(key.keysym));
            if (const auto simulated = sim::SimKeyboard::keyCode(typed)) {
                EXPECT_EQ(key.code, *simulated);
                ++compared;
            }
            if (typed[0] >= 'a' && typed[0] <= 'z') {
                EXPECT_EQ(KeyCodes::letter(key.code), typed);
            }
        }
        // Keys that type no text report what the original platform reports.
        if (!key.characters.empty() && sim::SimKeyboard::keyName(key.code).rfind("key", 0) != 0) {
            EXPECT_EQ(sim::SimKeyboard::characters(key.code, 0), key.characters);
        }
    }
    EXPECT_GE(compared, 47);  // letters, digits and punctuation
}

TEST(X11KeyTable, EachPositionHasOneCodeAndBack) {
    std::set<std::string_view> positions;
    std::set<std::uint16_t> codes;
    for (const X11KeyTable::Key& key : X11KeyTable::keys()) {
        EXPECT_TRUE(positions.insert(key.position).second) << key.position;
        EXPECT_TRUE(codes.insert(key.code).second) << key.code;
        EXPECT_EQ(X11KeyTable::codeAt(key.position), key.code);
        ASSERT_NE(X11KeyTable::key(key.code), nullptr);
        EXPECT_EQ(X11KeyTable::key(key.code)->position, key.position);
    }
    EXPECT_EQ(X11KeyTable::codeAt("LWIN"), std::nullopt) << "modifiers are known by their keysym";
    EXPECT_EQ(X11KeyTable::key(0xFFFF), nullptr);
}

TEST(X11KeyTable, ModifiersMakeTheLeadersAndAltGrMakesNone) {
    constexpr std::uint32_t superLeft = 0xffeb, superRight = 0xffec, altRight = 0xffea, level3 = 0xfe03,
                            modeSwitch = 0xff7e;
    const auto leaderOf = [](std::initializer_list<std::uint32_t> keysyms) {
        std::uint64_t deviceBits = 0;
        for (const std::uint32_t keysym : keysyms)
            if (const auto* modifier = X11KeyTable::modifier(keysym)) deviceBits |= modifier->deviceBit;
        return KeyTapLogic::leaderFromFlags(X11KeyTable::flagsForDeviceBits(deviceBits));
    };
    EXPECT_EQ(leaderOf({superRight}), Leader::command);
    EXPECT_EQ(leaderOf({X11KeyTable::kMenu}), Leader::command) << "the Menu key stands in for a right Super key";
    EXPECT_EQ(leaderOf({superRight, X11KeyTable::kAltLeft}), Leader::feature);
    EXPECT_EQ(leaderOf({altRight}), Leader::option);
    EXPECT_EQ(leaderOf({superLeft, X11KeyTable::kAltLeft}), std::nullopt);
    EXPECT_EQ(leaderOf({level3}), std::nullopt);
    EXPECT_EQ(X11KeyTable::modifier(level3), nullptr);
    EXPECT_EQ(X11KeyTable::modifier(modeSwitch), nullptr);

    EXPECT_EQ(X11KeyTable::modifier(superLeft)->code, 55);
    EXPECT_EQ(X11KeyTable::modifier(superRight)->code, 54);
    EXPECT_EQ(X11KeyTable::flagsForDeviceBits(ModifierFlag::rightCommand | ModifierFlag::leftOption),
              ModifierFlag::rightCommand | ModifierFlag::command | ModifierFlag::leftOption | ModifierFlag::option);
    EXPECT_EQ(X11KeyTable::flagsForHotKeyModifiers(HotKeyModifier::control | HotKeyModifier::option | HotKeyModifier::shift),
              ModifierFlag::control | ModifierFlag::option | ModifierFlag::shift);
}

}  // namespace
}  // namespace tarnlet
