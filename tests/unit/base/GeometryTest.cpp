#include <gtest/gtest.h>

#include "base/Geometry.h"

namespace tarnlet {
namespace {

TEST(RectTest, IntersectionOfOverlappingRectanglesIsTheSharedArea) {
    const Rect a(0, 0, 100, 50);
    const Rect b(60, 20, 100, 100);
    EXPECT_EQ(a.intersection(b), Rect(60, 20, 40, 30));
    EXPECT_EQ(b.intersection(a), Rect(60, 20, 40, 30));
    EXPECT_TRUE(a.intersects(b));
}

TEST(RectTest, RectanglesThatOnlyTouchOrAreApartDoNotIntersect) {
    const Rect left(0, 0, 100, 100);
    // Sharing an edge or a corner gives no area, so neither counts as an overlap.
    for (const Rect& other : {Rect(100, 0, 50, 100), Rect(0, 100, 100, 10), Rect(100, 100, 5, 5), Rect(300, 300, 5, 5)}) {
        EXPECT_TRUE(left.intersection(other).isEmpty()) << other;
        EXPECT_EQ(left.intersection(other), Rect()) << other;
        EXPECT_FALSE(left.intersects(other)) << other;
    }
}

TEST(RectTest, IntersectionWithNestedRectangleIsTheInnerOne) {
    const Rect outer(-50, -50, 200, 200);
    const Rect inner(10, 10, 20, 30);
    EXPECT_EQ(outer.intersection(inner), inner);
    EXPECT_TRUE(outer.contains(inner));
    EXPECT_FALSE(inner.contains(outer));
    EXPECT_TRUE(outer.contains(outer));
}

TEST(RectTest, PointContainmentIsHalfOpenSoAdjacentRectanglesNeverShareAPoint) {
    const Rect left(0, 0, 100, 100);
    const Rect right(100, 0, 100, 100);
    const Point seam{100, 50};
    EXPECT_FALSE(left.contains(seam));
    EXPECT_TRUE(right.contains(seam));
    EXPECT_TRUE(left.contains(Point{0, 0}));
    EXPECT_FALSE(left.contains(Point{50, 100}));
    EXPECT_FALSE(left.contains(Point{-0.001, 50}));
}

TEST(RectTest, EmptyRectanglesContainNoPoint) {
    EXPECT_TRUE(Rect(10, 10, 0, 5).isEmpty());
    EXPECT_TRUE(Rect(10, 10, 5, -1).isEmpty());
    EXPECT_FALSE(Rect(10, 10, 0, 5).contains(Point{10, 12}));
}

}  // namespace
}  // namespace tarnlet
