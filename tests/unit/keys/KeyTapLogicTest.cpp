#include "keys/KeyTapLogic.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "keys/KeyCodes.h"
#include "platform/InputEvent.h"

namespace tarnlet {
namespace {

namespace F = ModifierFlag;

constexpr std::uint64_t kRightCommand = F::rightCommand | F::command;
constexpr std::uint64_t kRightOption = F::rightOption | F::option;
constexpr std::uint64_t kLeftOption = F::leftOption | F::option;

constexpr std::uint16_t kJ = 38;
constexpr std::uint16_t kZero = 29;
constexpr std::uint16_t kOne = 18;
constexpr std::uint16_t kComma = 43;
constexpr std::uint16_t kSpace = 49;

// A consumer that records what it was offered and claims according to a switch.
struct Recorder {
    bool claim = true;
    std::vector<std::pair<Leader, std::string>> offered;
    KeyTapLogic::Handler handler() {
        return [this](Leader leader, const std::string& character) {
            offered.emplace_back(leader, character);
            return claim;
        };
    }
};

TEST(KeyCodesTest, TablesByKeyCode) {
    EXPECT_EQ(KeyCodes::letter(0), "a");
    EXPECT_EQ(KeyCodes::letter(kJ), "j");
    EXPECT_EQ(KeyCodes::letter(6), "z");
    EXPECT_EQ(KeyCodes::letter(kOne), std::nullopt);
    EXPECT_EQ(KeyCodes::digit(kOne), "1");
    EXPECT_EQ(KeyCodes::digit(25), "9");
    EXPECT_EQ(KeyCodes::digit(kZero), std::nullopt);
    EXPECT_EQ(KeyCodes::media(kComma), ",");
    EXPECT_EQ(KeyCodes::media(44), "/");
    EXPECT_EQ(KeyCodes::media(47), ".");
    EXPECT_EQ(KeyCodes::media(kJ), std::nullopt);

    int letters = 0;
    int digits = 0;
    for (int code = 0; code <= 0xFFFF; ++code) {
        letters += KeyCodes::letter(static_cast<std::uint16_t>(code)).has_value();
        digits += KeyCodes::digit(static_cast<std::uint16_t>(code)).has_value();
    }
    EXPECT_EQ(letters, 26);
    EXPECT_EQ(digits, 9);
}

TEST(KeyTapLogicTest, LeaderFromFlags) {
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(0), std::nullopt);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(kRightCommand), Leader::command);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(kRightCommand | kLeftOption), Leader::feature);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(kRightCommand | kRightOption), Leader::feature);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(kRightOption), Leader::option);
    // The left-hand keys make no leader, alone or together.
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(F::leftCommand | F::command), std::nullopt);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(F::leftCommand | F::command | kLeftOption), std::nullopt);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(kLeftOption), std::nullopt);
    // Left Command with right Option is still the option leader (the right Command key is not down).
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(F::leftCommand | F::command | kRightOption), Leader::option);
    // Bits the logic does not know change nothing.
    const std::uint64_t noise = F::nonCoalesced | F::capsLock | F::shift | F::function | (1ULL << 40) | (1ULL << 63);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(noise), std::nullopt);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(noise | kRightCommand), Leader::command);
    EXPECT_EQ(KeyTapLogic::leaderFromFlags(noise | kRightOption), Leader::option);
}

TEST(KeyTapLogicTest, NothingIsClaimedWithoutALeaderOrWithControl) {
    KeyTapLogic logic;
    Recorder consumer;
    EXPECT_FALSE(logic.keyDown(kJ, 0, consumer.handler()));
    EXPECT_FALSE(logic.keyDown(kJ, F::leftCommand | F::command, consumer.handler()));

    for (Leader leader : {Leader::command, Leader::option, Leader::feature}) {
        logic.leader = leader;
        EXPECT_FALSE(logic.keyDown(kJ, kRightCommand | kRightOption | F::control, consumer.handler()));
    }
    EXPECT_TRUE(consumer.offered.empty());
    EXPECT_TRUE(logic.consumedKeys.empty());
    EXPECT_FALSE(logic.keyUp(kJ));
}

TEST(KeyTapLogicTest, OptionLeaderServesLettersOnlyAndStepsAsideForCommand) {
    KeyTapLogic logic;
    logic.leader = Leader::option;
    Recorder consumer;
    // Right Option with Command is a shortcut of the front application.
    EXPECT_FALSE(logic.keyDown(kJ, kRightOption | F::leftCommand | F::command, consumer.handler()));
    EXPECT_TRUE(consumer.offered.empty());

    for (std::uint16_t code : {kOne, kComma, KeyCodes::kSemicolon, KeyCodes::kGrave, kZero})
        EXPECT_FALSE(logic.keyDown(code, kRightOption, consumer.handler())) << code;
    EXPECT_TRUE(consumer.offered.empty());

    EXPECT_TRUE(logic.keyDown(kJ, kRightOption, consumer.handler()));
    ASSERT_EQ(consumer.offered.size(), 1u);
    EXPECT_EQ(consumer.offered[0], std::make_pair(Leader::option, std::string("j")));
}

TEST(KeyTapLogicTest, CharactersUnderEachLeader) {
    struct Case {
        Leader leader;
        std::uint16_t code;
        const char* expected;  // nullptr: not offered
    };
    const Case cases[] = {
        {Leader::command, kJ, "j"},
        {Leader::command, KeyCodes::kSemicolon, ":"},
        {Leader::command, kComma, ","},
        {Leader::command, 44, "/"},
        {Leader::command, 47, "."},
        {Leader::command, kOne, "1"},
        {Leader::command, KeyCodes::kGrave, nullptr},
        {Leader::command, kZero, nullptr},
        {Leader::feature, 1, "s"},
        {Leader::feature, KeyCodes::kGrave, "~"},
        {Leader::feature, 19, "2"},
        {Leader::feature, kZero, nullptr},
        {Leader::feature, KeyCodes::kSemicolon, nullptr},
        {Leader::feature, kComma, nullptr},
        {Leader::command, kSpace, nullptr},
        {Leader::feature, 500, nullptr},
        {Leader::command, 0xFFFF, nullptr},
    };
    for (const auto& c : cases) {
        KeyTapLogic logic;
        logic.leader = c.leader;
        Recorder consumer;
        const bool consumed = logic.keyDown(c.code, kRightCommand | kLeftOption, consumer.handler());
        SCOPED_TRACE(std::string(leaderName(c.leader)) + " code " + std::to_string(c.code));
        if (c.expected) {
            EXPECT_TRUE(consumed);
            ASSERT_EQ(consumer.offered.size(), 1u);
            EXPECT_EQ(consumer.offered[0].first, c.leader);
            EXPECT_EQ(consumer.offered[0].second, c.expected);
            EXPECT_TRUE(logic.consumedKeys.count(c.code));
        } else {
            EXPECT_FALSE(consumed);
            EXPECT_TRUE(consumer.offered.empty());
            EXPECT_TRUE(logic.consumedKeys.empty());
        }
    }
}

TEST(KeyTapLogicTest, DeclinedOrUnhandledKeysAreNotClaimed) {
    KeyTapLogic logic;
    logic.leader = Leader::command;
    EXPECT_FALSE(logic.keyDown(kJ, kRightCommand, nullptr));
    Recorder consumer;
    consumer.claim = false;
    EXPECT_FALSE(logic.keyDown(kJ, kRightCommand, consumer.handler()));
    EXPECT_EQ(consumer.offered.size(), 1u);
    EXPECT_TRUE(logic.consumedKeys.empty());
    EXPECT_FALSE(logic.keyUp(kJ));
}

TEST(KeyTapLogicTest, ClaimedKeyOwnsItsRepeatsAndKeyUp) {
    KeyTapLogic logic;
    logic.leader = Leader::command;
    Recorder consumer;
    ASSERT_TRUE(logic.keyDown(kJ, kRightCommand, consumer.handler()));
    EXPECT_TRUE(logic.needsTap());

    // Auto-repeat is swallowed without asking the consumer again, even after the leader went away
    // or Control came down: the key belongs to the chord until it is released.
    EXPECT_TRUE(logic.keyDown(kJ, kRightCommand, consumer.handler()));
    logic.leader.reset();
    EXPECT_TRUE(logic.needsTap());
    EXPECT_TRUE(logic.keyDown(kJ, F::control, consumer.handler()));
    EXPECT_EQ(consumer.offered.size(), 1u);

    // Another key is not covered by the claim.
    EXPECT_FALSE(logic.keyDown(kOne, 0, consumer.handler()));
    EXPECT_FALSE(logic.keyUp(kOne));

    EXPECT_TRUE(logic.keyUp(kJ));
    EXPECT_FALSE(logic.needsTap());
    EXPECT_FALSE(logic.keyUp(kJ));
}

}  // namespace
}  // namespace tarnlet
