// Bar layout with the real text measurer, and the bar's animations on the virtual clock.

#include "notch/NotchBarView.h"

#include <gtest/gtest.h>

#include "notch/BatteryIcon.h"
#include "notch/DS.h"
#include "notch/NotchStates.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class NotchBarViewTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    TextMeasurer& measurer = desktop.platform().textMeasurer;

    std::shared_ptr<NotchBarView> bar(const NotchContent& content, Size notch = {200, 32}) {
        return std::make_shared<NotchBarView>(content, notch, NotchBarView::kDrop, measurer, desktop.queue(), true);
    }
    static NotchBarItem icon(const char* name) {
        NotchBarItem item;
        item.icon = Image::symbol(name);
        return item;
    }
    static std::vector<NotchBarItem> icons(int n) { return std::vector<NotchBarItem>(static_cast<std::size_t>(n), icon("eye")); }
};

TEST_F(NotchBarViewTest, ACaptionWiderThanTheNotchWidensTheBarOnlyWhereItemsDoNotCoverIt) {
    const std::string caption = "a caption that is wider than the notch";
    const double captionWidth = measurer.measure(caption, DS::captionFont).width;
    // The caption overhangs the notch by 34 points on each side; one 24-point icon covers 24.
    const Size notch{captionWidth - 68, 32};
    NotchContent content;
    content.left = icons(1);
    content.right = icons(1);
    content.caption = caption;
    auto one = bar(content, notch);
    EXPECT_DOUBLE_EQ(one->leftContentWidth(), 24);
    EXPECT_NEAR(one->captionLeftOverhang(), 10, 1e-9);
    EXPECT_NEAR(one->captionRightOverhang(), 10, 1e-9);
    EXPECT_NEAR(one->size().width, 14 + 10 + 24 + notch.width + 24 + 10 + 14, 1e-9);
    EXPECT_DOUBLE_EQ(one->size().height, 32 + 14);

    // Two icons a side (59 points) cover the overhang: no widening at all.
    content.left = icons(2);
    content.right = icons(2);
    auto two = bar(content, notch);
    EXPECT_DOUBLE_EQ(two->leftContentWidth(), 24 + 11 + 24);
    EXPECT_DOUBLE_EQ(two->captionLeftOverhang(), 0);
    EXPECT_DOUBLE_EQ(two->captionRightOverhang(), 0);
    // Centred under the notch whatever the sides hold.
    const Rect frame = *two->captionFrame();
    EXPECT_NEAR(frame.midX(), 14 + 59 + notch.width / 2, 1e-9);
    EXPECT_LT(frame.minY(), NotchBarView::kDrop);
}

TEST_F(NotchBarViewTest, AOneItemStripSitsRightOfTheNotch) {
    auto b = bar(NotchStates::leaderHints(icons(1), std::string("features")));
    EXPECT_DOUBLE_EQ(b->leftContentWidth(), 0);
    EXPECT_DOUBLE_EQ(b->rightContentWidth(), 24);
    const Rect notch(656, 950, 200, 32);
    const Rect frame = b->frameOnScreen(notch);
    EXPECT_DOUBLE_EQ(frame.minX(), 656 - 0 - 14 - b->captionLeftOverhang());
    EXPECT_DOUBLE_EQ(frame.minY(), 950 - 14);
    EXPECT_DOUBLE_EQ(frame.height(), 46);
}

TEST_F(NotchBarViewTest, ItemsFollowTheRenderingRules) {
    NotchBarItem keycapItem;
    keycapItem.badge = "A";
    NotchBarItem titled;
    titled.badge = "L";
    titled.text = "Left half";
    NotchBarItem valueText;
    valueText.text = "On";
    valueText.value = true;
    NotchContent content;
    content.left = {keycapItem, titled};
    content.right = {valueText};
    auto b = bar(content);
    const auto& views = b->itemViews();
    ASSERT_EQ(views.count("A"), 1u);
    EXPECT_DOUBLE_EQ(views.at("A").width(), 20);  // a one-letter keycap is 20 wide
    EXPECT_DOUBLE_EQ(views.at("A").height(), 20);
    ASSERT_EQ(views.count("Left half"), 1u);  // registered by its text before its badge
    EXPECT_DOUBLE_EQ(views.at("Left half").height(), 24);
    EXPECT_GT(views.at("Left half").width(), 2 + 20 + 6 + 8);
    // Items are centred on the full bar height.
    EXPECT_DOUBLE_EQ(views.at("Left half").midY(), b->size().height / 2);
    EXPECT_DOUBLE_EQ(views.at("A").midY(), b->size().height / 2);
}

TEST_F(NotchBarViewTest, TheBatteryGlyphSitsInALowerBoxWhenBadged) {
    NotchBarItem item;
    item.icon = BatteryIcon::image(50, false);
    item.badge = "B";
    NotchContent content;
    content.right = {item};
    auto b = bar(content);
    EXPECT_DOUBLE_EQ(b->itemViews().at("B").height(), 17);
}

TEST_F(NotchBarViewTest, AnimationsCompleteOnTheVirtualClock) {
    NotchContent content;
    content.right = icons(1);
    auto b = bar(content);
    EXPECT_FALSE(b->isShown());
    b->animateIn();
    EXPECT_TRUE(b->isShown());
    const Drawing start = b->drawingAt(desktop.queue().now());
    const auto* fill = std::get_if<draw::FillPath>(&start.ops.front());
    ASSERT_NE(fill, nullptr);
    EXPECT_LT(fill->path.bounds().width(), 201);  // starts at the notch itself
    const Drawing settled = b->drawingAt(desktop.queue().now() + NotchBarView::springSettlingDuration());
    EXPECT_NEAR(std::get<draw::FillPath>(settled.ops.front()).path.bounds().width(), b->size().width, 0.5);
    EXPECT_NEAR(NotchBarView::springSettlingDuration(), 0.55, 0.05);

    bool closed = false;
    b->animateOut([&] { closed = true; });
    desktop.advanceBy(0.16);
    EXPECT_FALSE(closed);
    desktop.advanceBy(0.02);
    EXPECT_TRUE(closed);
}

TEST_F(NotchBarViewTest, APulseFlashesItsItemAndGoes) {
    NotchContent content;
    NotchBarItem s;
    s.badge = "S";
    content.right = {s};
    auto b = bar(content);
    b->showStatic();
    b->pulse("nothing here");
    EXPECT_FALSE(b->isPulsing());
    b->pulse("S");
    EXPECT_TRUE(b->isPulsing());
    desktop.advanceBy(0.2);
    const Drawing mid = b->drawing();
    bool highlighted = false;
    for (const auto& op : mid.ops)
        if (auto r = std::get_if<draw::RoundedRect>(&op); r && r->fill && r->fill->blue > 0.8 && r->radius == 6) highlighted = true;
    EXPECT_TRUE(highlighted);
    desktop.advanceBy(0.4);
    EXPECT_FALSE(b->isPulsing());
}

TEST_F(NotchBarViewTest, TheAccentOutlineIsLegibleAndAddedOnce) {
    EXPECT_EQ(NotchBarView::legibleOutline(Color::rgb255(255, 0, 0)), Color::rgb255(255, 0, 0));
    const Color dark = NotchBarView::legibleOutline(Color::black());
    EXPECT_NEAR(dark.red, 0.4, 1e-9);
    NotchContent content = NotchStates::colorChip("#112233", Color::rgb255(17, 34, 51));
    auto b = bar(content);
    EXPECT_TRUE(b->hasOutline());
    b->setAccentOutline(true, Color::white(), false);  // already there: nothing changes
    int strokes = 0;
    for (const auto& op : b->drawing().ops) strokes += std::holds_alternative<draw::StrokePath>(op);
    EXPECT_EQ(strokes, 2);
    b->setAccentOutline(false, Color::white(), false);
    EXPECT_FALSE(b->hasOutline());
}

}  // namespace
}  // namespace tarnlet
