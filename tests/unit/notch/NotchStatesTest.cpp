#include "notch/NotchStates.h"

#include <gtest/gtest.h>

#include "notch/BatteryIcon.h"
#include "notch/DS.h"

namespace tarnlet {
namespace {

std::size_t codePointCount(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

TEST(NotchStates, TextPreviewCollapsesSpaceAndCutsTheMiddle) {
    EXPECT_EQ(NotchStates::textPreview("  two\n\twords  ", 48), "two words");
    const std::string hundred(100, 'x');
    const std::string preview = NotchStates::textPreview(hundred, 48);
    EXPECT_EQ(codePointCount(preview), 47u);
    EXPECT_EQ(preview, std::string(22, 'x') + " … " + std::string(22, 'x'));
    // Characters beyond ASCII are never cut in half.
    std::string accented;
    for (int i = 0; i < 60; ++i) accented += "é";
    EXPECT_EQ(codePointCount(NotchStates::textPreview(accented, 48)), 47u);
}

TEST(NotchStates, OcrChips) {
    const auto found = NotchStates::ocrChip("  Hello\nworld \n");
    EXPECT_EQ(found.caption, "Hello world");
    EXPECT_EQ(found.right.front().text, "⌘V");
    const auto none = NotchStates::ocrChip(" \n\t");
    EXPECT_EQ(none.caption, "nothing found");
    EXPECT_TRUE(none.right.front().dimmed);
}

TEST(NotchStates, SessionAndBreakChips) {
    EXPECT_EQ(NotchStates::sessionChip(true, 45).right.front().text, "45m");
    EXPECT_EQ(NotchStates::sessionChip(true, 0).right.front().text, "On");
    EXPECT_TRUE(NotchStates::sessionChip(true, 0).right.front().accentDot);
    EXPECT_EQ(NotchStates::sessionChip(false, 30).right.front().text, "Ended");
    EXPECT_EQ(NotchStates::sessionChip(false, 30).caption, std::nullopt);
    EXPECT_EQ(NotchStates::breakCountdown(7, false).right.front().text, "0:07");
    EXPECT_TRUE(NotchStates::breakCountdown(7, false).left.front().closedEye);
}

TEST(NotchStates, LeaderHintsSplitRoundingUpToTheLeft) {
    std::vector<NotchBarItem> items(5);
    const auto five = NotchStates::leaderHints(items, std::nullopt);
    EXPECT_EQ(five.left.size(), 3u);
    EXPECT_EQ(five.right.size(), 2u);
    const auto one = NotchStates::leaderHints({NotchBarItem{}}, std::string("features"));
    EXPECT_TRUE(one.left.empty());
    EXPECT_EQ(one.right.size(), 1u);
}

TEST(NotchStates, LowBatteryIsCriticalAtTenPercent) {
    EXPECT_FALSE(NotchStates::lowBatteryChip(11).right.front().warning);
    EXPECT_TRUE(NotchStates::lowBatteryChip(10).right.front().warning);
    EXPECT_EQ(NotchStates::batteryChip(true, 55).caption, "charging");
    EXPECT_EQ(NotchStates::batteryChip(false, 55).caption, std::nullopt);
}

TEST(NotchStates, NowPlayingPhases) {
    EXPECT_TRUE(NotchStates::nowPlaying(NowPlayingPhase::hidden, "Song", "Band").isEmpty());
    const auto compact = NotchStates::nowPlaying(NowPlayingPhase::compact, "Song", "Band");
    EXPECT_EQ(compact.caption, std::nullopt);
    EXPECT_TRUE(compact.right.front().wave);
    EXPECT_EQ(NotchStates::nowPlaying(NowPlayingPhase::expanded, "Song", "").caption, "Song");
    const auto controls = NotchStates::nowPlaying(NowPlayingPhase::controls, "Song", "Band");
    EXPECT_EQ(controls.caption, "Song — Band");
    ASSERT_EQ(controls.left.size(), 3u);
    EXPECT_EQ(controls.left[1].pulseKey, "playpause");
}

TEST(BatteryIcon, LevelColourAndBolt) {
    auto levelWidth = [](const Drawing& d) {
        return std::get<draw::RoundedRect>(d.ops[2]).rect.width();
    };
    auto colour = [](const Drawing& d) { return std::get<draw::RoundedRect>(d.ops[2]).fill; };
    EXPECT_DOUBLE_EQ(levelWidth(BatteryIcon::drawing(0, false)), 3);
    EXPECT_DOUBLE_EQ(levelWidth(BatteryIcon::drawing(150, false)), 19);
    EXPECT_DOUBLE_EQ(levelWidth(BatteryIcon::drawing(50, false)), 9.5);
    EXPECT_EQ(colour(BatteryIcon::drawing(10, false)), DS::warning);
    EXPECT_EQ(colour(BatteryIcon::drawing(11, false)), Color::white());
    const Drawing charging = BatteryIcon::drawing(5, true);
    EXPECT_EQ(colour(charging), DS::charging);
    ASSERT_EQ(charging.ops.size(), 4u);
    EXPECT_TRUE(std::holds_alternative<draw::FillPath>(charging.ops[3]));
    EXPECT_EQ(BatteryIcon::drawing(5, false).ops.size(), 3u);
}

}  // namespace
}  // namespace tarnlet
