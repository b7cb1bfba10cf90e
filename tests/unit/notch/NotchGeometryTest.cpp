#include "notch/NotchGeometry.h"

#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/SimScreens.h"

namespace tarnlet {
namespace {

using Op = Path::Op;
using sim::SimScreens;

// A panel with a camera housing between x = 650 and x = 850 and a 32-point top inset.
Screen housingPanel() {
    Screen s;
    s.frame = Rect(0, 0, 1512, 982);
    s.visibleFrame = Rect(0, 0, 1512, 945);
    s.safeAreaTopInset = 32;
    s.auxiliaryTopLeftArea = Rect(0, 950, 650, 32);
    s.auxiliaryTopRightArea = Rect(850, 950, 662, 32);
    return s;
}

Screen plainDisplay(Rect frame, double menuBarHeight, std::uint32_t displayID = 2) {
    Screen s;
    s.displayID = displayID;
    s.frame = frame;
    s.visibleFrame = Rect(frame.minX(), frame.minY(), frame.width(), frame.height() - menuBarHeight);
    return s;
}

// The process-wide switch is shared by every test; each one starts and ends with it on.
class NotchGeometryTest : public ::testing::Test {
protected:
    void SetUp() override { NotchGeometry::setDrawsWithoutNotch(true); }
    void TearDown() override { NotchGeometry::setDrawsWithoutNotch(true); }
};

TEST_F(NotchGeometryTest, CameraHousingGivesTheRectangleBetweenTheMenuBarAreas) {
    EXPECT_EQ(NotchGeometry::notchRect(housingPanel()), Rect(650, 950, 200, 32));
    // The housing wins even when notchless displays are not drawn on.
    NotchGeometry::setDrawsWithoutNotch(false);
    EXPECT_EQ(NotchGeometry::notchRect(housingPanel()), Rect(650, 950, 200, 32));
    EXPECT_EQ(NotchGeometry::notchRect(SimScreens::laptopPanel(1512, 982, true)), Rect(656, 950, 200, 32));
}

TEST_F(NotchGeometryTest, NotchlessScreensGetASynthesisedNotchUnderTheMenuBar) {
    EXPECT_EQ(NotchGeometry::notchRect(plainDisplay(Rect(0, 0, 1920, 1080), 25)), Rect(900, 1055, 120, 25));
    // A hidden menu bar (a difference of at most one point) falls back to 24 points.
    EXPECT_EQ(NotchGeometry::notchRect(plainDisplay(Rect(0, 0, 1920, 1080), 1)), Rect(900, 1056, 120, 24));
    EXPECT_EQ(NotchGeometry::notchRect(plainDisplay(Rect(0, 0, 1920, 1080), 0)), Rect(900, 1056, 120, 24));
    // A narrow screen gets a third of its width, the x rounded to a whole point; the origin of a
    // secondary display is honoured.
    EXPECT_EQ(NotchGeometry::notchRect(plainDisplay(Rect(1920, 100, 301, 500), 24)),
              Rect(2020, 576, 301.0 / 3, 24));
    // Only one of the housing's areas, or no inset, is not a housing.
    Screen halfHousing = housingPanel();
    halfHousing.auxiliaryTopRightArea.reset();
    EXPECT_EQ(NotchGeometry::notchRect(halfHousing), Rect(696, 945, 120, 37));
    Screen noInset = housingPanel();
    noInset.safeAreaTopInset = 0;
    EXPECT_EQ(NotchGeometry::notchRect(noInset), Rect(696, 945, 120, 37));

    NotchGeometry::setDrawsWithoutNotch(false);
    EXPECT_EQ(NotchGeometry::notchRect(plainDisplay(Rect(0, 0, 1920, 1080), 25)), std::nullopt);
}

TEST_F(NotchGeometryTest, HudScreenPrefersAHousingAndOtherwiseTheMenuBarScreen) {
    EXPECT_EQ(NotchGeometry::hudScreen({}), std::nullopt);
    EXPECT_FALSE(NotchGeometry::hasPhysicalNotch({}));

    Screen external = plainDisplay(Rect(0, 0, 1920, 1080), 25, 7);
    Screen laptop = housingPanel();
    laptop.displayID = 3;
    laptop.frame = Rect(1920, 0, 1512, 982);
    laptop.auxiliaryTopLeftArea = Rect(1920, 950, 650, 32);
    laptop.auxiliaryTopRightArea = Rect(2770, 950, 662, 32);

    // The housing on the second screen beats the menu-bar screen.
    auto hud = NotchGeometry::hudScreen({external, laptop});
    ASSERT_TRUE(hud);
    EXPECT_EQ(hud->screen.displayID, 3u);
    EXPECT_EQ(hud->notch, Rect(2570, 950, 200, 32));
    EXPECT_TRUE(NotchGeometry::hasPhysicalNotch({external, laptop}));

    Screen second = plainDisplay(Rect(1920, 0, 2560, 1440), 25, 9);
    hud = NotchGeometry::hudScreen({external, second});
    ASSERT_TRUE(hud);
    EXPECT_EQ(hud->screen.displayID, 7u);
    EXPECT_EQ(hud->notch, Rect(900, 1055, 120, 25));
    EXPECT_FALSE(NotchGeometry::hasPhysicalNotch({external, second}));

    NotchGeometry::setDrawsWithoutNotch(false);
    EXPECT_EQ(NotchGeometry::hudScreen({external, second}), std::nullopt);
    EXPECT_TRUE(NotchGeometry::hudScreen({external, laptop}));
}

TEST_F(NotchGeometryTest, ShelfPathHasSquareTopAndRoundedBottomCorners) {
    const Path path = NotchGeometry::shelfPath(Rect(10, 20, 200, 40), 8);
    const std::vector<Path::Element> expected = {
        {Op::move, {10, 60}, {}},       {Op::line, {10, 28}, {}},  {Op::quad, {18, 20}, {10, 20}},
        {Op::line, {202, 20}, {}},      {Op::quad, {210, 28}, {210, 20}},
        {Op::line, {210, 60}, {}},      {Op::close, {}, {}},
    };
    EXPECT_EQ(path.elements(), expected);
}

TEST_F(NotchGeometryTest, ShelfPathClampsTheRadius) {
    // Half the height bounds the radius of a low bar, half the width that of a narrow one.
    auto corner = [](const Path& p) { return p.elements()[2]; };
    EXPECT_EQ(corner(NotchGeometry::shelfPath(Rect(0, 0, 200, 10), 30)), (Path::Element{Op::quad, {5, 0}, {0, 0}}));
    EXPECT_EQ(corner(NotchGeometry::shelfPath(Rect(0, 0, 6, 100), 30)), (Path::Element{Op::quad, {3, 0}, {0, 0}}));
    // A negative radius, or a collapsed rectangle, gives square corners rather than inverted ones.
    const Path square = NotchGeometry::shelfPath(Rect(0, 0, 100, 20), -5);
    EXPECT_EQ(square.elements()[1].point, (Point{0, 0}));
    EXPECT_EQ(square.elements()[3].point, (Point{100, 0}));
    const Path collapsed = NotchGeometry::shelfPath(Rect(40, 30, 0, 0), 10);
    EXPECT_EQ(collapsed.bounds(), Rect(40, 30, 0, 0));
}

TEST_F(NotchGeometryTest, StrokeHalvesRunFromTheTopCornersToTheBottomCentre) {
    const auto paths = NotchGeometry::shelfStrokePaths(Size{100, 30}, 2, 10);
    // Inner width 96, radius 10, middle at 50, right side at 98.
    const std::vector<Path::Element> left = {
        {Op::move, {2, 30}, {}}, {Op::line, {2, 12}, {}}, {Op::quad, {12, 2}, {2, 2}}, {Op::line, {50, 2}, {}}};
    const std::vector<Path::Element> right = {
        {Op::move, {98, 30}, {}}, {Op::line, {98, 12}, {}}, {Op::quad, {88, 2}, {98, 2}}, {Op::line, {50, 2}, {}}};
    EXPECT_EQ(paths.left.elements(), left);
    EXPECT_EQ(paths.right.elements(), right);

    // The radius is bounded by half the height below the inset and by half the inner width.
    EXPECT_EQ(NotchGeometry::shelfStrokePaths(Size{100, 12}, 2, 10).left.elements()[1].point, (Point{2, 7}));
    EXPECT_EQ(NotchGeometry::shelfStrokePaths(Size{10, 100}, 2, 10).right.elements()[2],
              (Path::Element{Op::quad, {5, 2}, {8, 2}}));
    EXPECT_EQ(NotchGeometry::shelfStrokePaths(Size{100, 30}, 2, -4).left.elements()[1].point, (Point{2, 2}));
}

TEST_F(NotchGeometryTest, DrawsWithoutNotchAnnouncesOnlyRealChanges) {
    EXPECT_EQ(NotchGeometry::kDidChangeNotification, "app.tarnletapp.notchGeometryDidChange");
    int heard = 0;
    {
        Subscription subscription = NotchGeometry::observeChanges([&] { ++heard; });
        NotchGeometry::setDrawsWithoutNotch(true);
        EXPECT_EQ(heard, 0);
        NotchGeometry::setDrawsWithoutNotch(false);
        EXPECT_FALSE(NotchGeometry::drawsWithoutNotch());
        EXPECT_EQ(heard, 1);
        NotchGeometry::setDrawsWithoutNotch(false);
        EXPECT_EQ(heard, 1);
        NotchGeometry::setDrawsWithoutNotch(true);
        EXPECT_EQ(heard, 2);
    }
    // A dropped subscription hears nothing more.
    NotchGeometry::setDrawsWithoutNotch(false);
    EXPECT_EQ(heard, 2);
}

}  // namespace
}  // namespace tarnlet
