#include <gtest/gtest.h>

#include "windows/SnapPosition.h"

namespace tarnlet {
namespace {

// An offset visible frame, so any place that forgets the origin lands somewhere visibly wrong.
const Rect kV(100, 50, 1000, 700);

Rect frameOf(SnapPosition position, Size window = {400, 300}) {
    return SnapPositions::frame(position, kV, window).value_or(Rect());
}

TEST(SnapPositionTest, NamesRoundTripInStoredOrder) {
    const auto& all = SnapPositions::all();
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(all[i]), i);
        EXPECT_EQ(SnapPositions::fromName(SnapPositions::name(all[i])), all[i]);
    }
    EXPECT_EQ(SnapPositions::name(SnapPosition::rightTwoThirds), "rightTwoThirds");
    EXPECT_EQ(SnapPositions::fromName("LeftHalf"), std::nullopt);
}

TEST(SnapPositionTest, PlacesTileTheVisibleFrame) {
    EXPECT_EQ(frameOf(SnapPosition::leftHalf), Rect(100, 50, 500, 700));
    EXPECT_EQ(frameOf(SnapPosition::rightHalf), Rect(600, 50, 500, 700));
    // Top is the upper half on screen, which starts at the middle in y-up coordinates.
    EXPECT_EQ(frameOf(SnapPosition::topHalf), Rect(100, 400, 1000, 350));
    EXPECT_EQ(frameOf(SnapPosition::bottomHalf), Rect(100, 50, 1000, 350));
    EXPECT_EQ(frameOf(SnapPosition::topLeft), Rect(100, 400, 500, 350));
    EXPECT_EQ(frameOf(SnapPosition::topRight), Rect(600, 400, 500, 350));
    EXPECT_EQ(frameOf(SnapPosition::bottomLeft), Rect(100, 50, 500, 350));
    EXPECT_EQ(frameOf(SnapPosition::bottomRight), Rect(600, 50, 500, 350));
    EXPECT_EQ(frameOf(SnapPosition::maximize), kV);

    // Thirds: one third computed once, so neighbours meet on the very same coordinate.
    const double third = 1000.0 / 3;
    EXPECT_EQ(frameOf(SnapPosition::leftThird), Rect(100, 50, third, 700));
    EXPECT_EQ(frameOf(SnapPosition::centerThird), Rect(100 + third, 50, third, 700));
    EXPECT_EQ(frameOf(SnapPosition::rightThird), Rect(100 + 2 * third, 50, third, 700));
    EXPECT_NEAR(frameOf(SnapPosition::rightThird).maxX(), kV.maxX(), 1e-9);
    EXPECT_EQ(frameOf(SnapPosition::leftTwoThirds).maxX(), frameOf(SnapPosition::rightThird).minX());
    EXPECT_EQ(frameOf(SnapPosition::rightTwoThirds), Rect(100 + third, 50, 2 * third, 700));

    for (auto position : {SnapPosition::restore, SnapPosition::nextDisplay, SnapPosition::previousDisplay})
        EXPECT_EQ(SnapPositions::frame(position, kV, {400, 300}), std::nullopt);
}

TEST(SnapPositionTest, CenterKeepsTheWindowSizeButNeverExceedsTheVisibleFrame) {
    EXPECT_EQ(frameOf(SnapPosition::center), Rect(400, 250, 400, 300));
    EXPECT_EQ(frameOf(SnapPosition::center, {3000, 2000}), kV);
    EXPECT_EQ(frameOf(SnapPosition::center, {1500, 100}), Rect(100, 350, 1000, 100));
}

}  // namespace
}  // namespace tarnlet
