#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "clipboard/ListMenu.h"
#include "platform/host/CairoRenderer.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using View = ListMenuView;

using test::makeScreen;

// A dock of 40 points at the bottom and a menu bar of 25 at the top; a second display beside it.
const Screen kPrimary = makeScreen(1, Rect(0, 0, 1440, 900), Rect(0, 40, 1440, 835));
const Screen kSecond = makeScreen(2, Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080));

std::vector<ListMenuItem> numbered(int count) {
    std::vector<ListMenuItem> items;
    for (int i = 0; i < count; ++i) items.push_back({std::to_string(i + 1), "Entry " + std::to_string(i), {}, {}, false});
    return items;
}

class Blank : public PanelContent {
public:
    Drawing drawing() const override { return {{10, 10}, {}}; }
};

class ListMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop.screens().setScreens({kPrimary, kSecond});
        desktop.runUntilIdle();
        menu.onPick = [this](int row) { picks.push_back(row); };
        menu.onHover = [this](int row) { hovers.push_back(row); };
    }

    void showAt(Point pointer, int count, int visibleRows = 5) {
        mouse.moveTo(pointer);
        menu.show(numbered(count), ListMenu::Header::caption("Clipboard · Pins"), {"↩ paste", "esc close"}, visibleRows);
    }
    Rect frame() const { return menu.panel()->frame(); }
    // The middle of a row on screen.
    Point rowCentre(int row) const {
        const Rect r = menu.content()->rowFrame(row).offsetBy(frame().minX(), frame().minY());
        return r.center();
    }
    std::shared_ptr<const View> viewOnScreen() {
        for (const auto& record : desktop.panels().onScreen())
            if (auto view = std::dynamic_pointer_cast<const View>(record->content)) return view;
        return nullptr;
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    sim::SimMouse& mouse = desktop.mouse();
    ListMenu menu{desktop.panels(), desktop.mouse(), desktop.screens(), desktop.platform().textMeasurer};
    std::vector<int> picks, hovers;
};

TEST_F(ListMenuTest, SizesFollowItemsAndVisibleRows) {
    showAt({400, 600}, 0);
    EXPECT_EQ(frame().size, (Size{340, 34 + 65}));
    ASSERT_TRUE(viewOnScreen());
    EXPECT_FALSE(menu.content()->highlighted());
    EXPECT_EQ(menu.content()->emptyText(), "No matches");

    showAt({400, 600}, 12, 5);
    EXPECT_EQ(frame().size, (Size{340, 235}));
    EXPECT_TRUE(menu.content()->isScrolling());
    EXPECT_EQ(menu.content()->rowArea(), Rect(0, 30, 340, 170));
    EXPECT_EQ(desktop.panels().onScreen().size(), 1u) << "show replaces the open menu";

    showAt({400, 600}, 3, 5);
    EXPECT_EQ(frame().size, (Size{340, 3 * 34 + 65}));
    EXPECT_FALSE(menu.content()->isScrolling());

    // No rows asked for still leaves one row's room, never a panel without a row area.
    showAt({400, 600}, 3, 0);
    EXPECT_EQ(frame().size, (Size{340, 99}));
    EXPECT_TRUE(menu.content()->isScrolling());

    // Rows beyond what the screen's 835 points hold scroll instead of running off it.
    showAt({400, 600}, 100, 60);
    EXPECT_EQ(menu.content()->visibleRows(), 22);
    EXPECT_TRUE(kPrimary.visibleFrame.contains(frame()));
}

TEST_F(ListMenuTest, OpensBelowRightOfThePointerAndStaysOnScreen) {
    showAt({400, 600}, 3);
    EXPECT_EQ(frame(), Rect(404, 600 - 167 - 4, 340, 167));
    const auto* record = desktop.panels().onScreen().back().get();
    EXPECT_EQ(record->options.level, 101);
    EXPECT_EQ(record->options.collectionBehavior, 321u);
    EXPECT_FALSE(record->options.ignoresMouse);

    // The lower-right corner: pushed up onto the dock's edge and left off the screen's edge.
    showAt({1435, 45}, 12);
    EXPECT_EQ(frame(), Rect(1440 - 340, 40, 340, 235));

    // Under the menu bar at the left edge: below the pointer, kept under the visible top.
    showAt({0, 890}, 3);
    EXPECT_EQ(frame(), Rect(4, 875 - 167, 340, 167));

    // The second display's own visible frame holds the menu.
    showAt({3355, 500}, 3);
    EXPECT_EQ(frame(), Rect(3360 - 340, 500 - 167 - 4, 340, 167));

    // Off every screen the first screen is used; with no screen at all a stand-in frame.
    EXPECT_EQ(ListMenu::visibleFrameAt({-50, -50}, {kSecond, kPrimary}), kSecond.visibleFrame);
    EXPECT_EQ(ListMenu::visibleFrameAt({10, 10}, {}), Rect(0, 0, 1470, 900));
    EXPECT_EQ(ListMenu::placement({1469, 1}, {340, 99}, Rect(0, 0, 1470, 900)), Rect(1130, 0, 340, 99));
}

TEST_F(ListMenuTest, UpdateKeepsTheTopEdgeAndRestartsAtRowZero) {
    showAt({400, 600}, 12);
    const double top = frame().maxY();
    menu.highlight(9);
    ASSERT_GT(menu.content()->scrollOffset(), 0);

    menu.update(numbered(2), ListMenu::Header::search("ent", "Search"));
    EXPECT_EQ(frame(), Rect(404, top - 133, 340, 133));
    EXPECT_EQ(menu.content()->highlighted(), 0);
    EXPECT_EQ(menu.content()->scrollOffset(), 0);
    EXPECT_EQ(menu.content()->items().size(), 2u);

    menu.update({}, ListMenu::Header::search("zzz", "Search"));
    EXPECT_EQ(frame().maxY(), top);
    EXPECT_FALSE(menu.content()->highlighted());

    // A menu that opened low grows downwards only until the dock, then rises.
    showAt({400, 100}, 1);
    EXPECT_EQ(frame().minY(), 40);
    menu.update(numbered(5), ListMenu::Header::caption("All"));
    EXPECT_EQ(frame(), Rect(404, 40, 340, 235));

    menu.close();
    EXPECT_FALSE(menu.isOpen());
    menu.update(numbered(5), ListMenu::Header::caption("All"));
    menu.highlight(2);
    menu.close();
    EXPECT_FALSE(menu.isOpen());
    EXPECT_TRUE(desktop.panels().onScreen().empty());
    EXPECT_EQ(mouse.localMonitorCount(), 0u);
}

TEST_F(ListMenuTest, HighlightStaysInBoundsAndScrollsIntoSight) {
    showAt({400, 600}, 12, 5);
    const auto& view = *menu.content();
    EXPECT_EQ(view.highlighted(), 0);

    menu.highlight(-1);
    menu.highlight(12);
    EXPECT_EQ(view.highlighted(), 0);

    menu.highlight(4);
    EXPECT_EQ(view.scrollOffset(), 0);
    menu.highlight(5);
    EXPECT_EQ(view.scrollOffset(), 34);
    menu.highlight(11);
    EXPECT_EQ(view.scrollOffset(), 12 * 34 - 170);
    EXPECT_EQ(view.rowFrame(11).minY(), 30) << "the last row rests on the footer";
    menu.highlight(8);
    EXPECT_EQ(view.scrollOffset(), 12 * 34 - 170) << "a row in sight does not scroll";
    menu.highlight(2);
    EXPECT_EQ(view.scrollOffset(), 2 * 34);
    EXPECT_EQ(view.rowAt({100, view.rowArea().maxY() - 1}), 2);

    // The panel shows exactly one highlighted row, the new one.
    int plates = 0;
    for (const auto& op : viewOnScreen()->drawing().ops)
        if (const auto* r = std::get_if<draw::RoundedRect>(&op); r && r->fill == View::palette(view.appearance()).highlight) {
            ++plates;
            EXPECT_EQ(r->rect, view.rowFrame(2));
        }
    EXPECT_EQ(plates, 1);
}

TEST_F(ListMenuTest, HoverNeedsARealMoveAndClicksPickRows) {
    showAt({400, 600}, 12, 5);
    mouse.moveTo(rowCentre(1));
    mouse.moveTo(rowCentre(1));  // told again of a pointer that has not moved
    EXPECT_EQ(hovers, std::vector<int>{1});
    EXPECT_EQ(menu.content()->highlighted(), 0) << "the owner decides what is highlighted";

    mouse.leftDown();
    mouse.leftUp();
    EXPECT_EQ(picks, std::vector<int>{1});

    // Scrolled, the top of the area shows row 7.
    menu.highlight(11);
    mouse.moveTo({frame().minX() + 100, frame().minY() + 30 + 170 - 2});
    EXPECT_EQ(hovers.back(), 7);

    // The header, the footer and the side margins are no row.
    hovers.clear();
    picks.clear();
    for (Point p : {Point{frame().minX() + 100, frame().maxY() - 10}, Point{frame().minX() + 100, frame().minY() + 10},
                    Point{frame().minX() + 2, rowCentre(8).y}}) {
        mouse.moveTo(p);
        mouse.leftDown();
        mouse.leftUp();
    }
    EXPECT_TRUE(hovers.empty());
    EXPECT_TRUE(picks.empty());

    // Moves over another of this application's panels reach the menu's monitor too, and are not its.
    auto other = desktop.panels().show(std::make_shared<Blank>(), Rect(900, 100, 200, 200), PanelOptions{0, 0, false, 1});
    mouse.moveTo({950, 150});
    mouse.leftDown();
    mouse.leftUp();
    EXPECT_TRUE(hovers.empty());
    EXPECT_TRUE(picks.empty());
}

TEST_F(ListMenuTest, AMenuChangingUnderARestingPointerHoversNothing) {
    // In the corner the menu opens under the pointer.
    showAt({1400, 100}, 3);
    ASSERT_TRUE(frame().contains(mouse.location()));
    mouse.moveTo(mouse.location());
    EXPECT_TRUE(hovers.empty());

    // The rows move under the pointer as the menu grows; still no move of the hand.
    menu.update(numbered(5), ListMenu::Header::caption("All"));
    mouse.moveTo(mouse.location());
    EXPECT_TRUE(hovers.empty());

    const Point p = mouse.location();
    mouse.moveTo({p.x - 1, p.y});
    ASSERT_EQ(hovers.size(), 1u);
    EXPECT_EQ(hovers[0], *menu.content()->rowAt({p.x - 1 - frame().minX(), p.y - frame().minY()}));
}

TEST_F(ListMenuTest, CallbacksMayCloseOrDestroyTheMenu) {
    showAt({400, 600}, 3);
    menu.onPick = [this](int) { menu.close(); };
    mouse.moveTo(rowCentre(0));
    mouse.leftDown();
    mouse.leftUp();
    EXPECT_FALSE(menu.isOpen());
    EXPECT_EQ(mouse.localMonitorCount(), 0u);

    auto owned = std::make_unique<ListMenu>(desktop.panels(), mouse, desktop.screens(), desktop.platform().textMeasurer);
    int heard = 0;
    owned->onHover = [&](int) {
        owned.reset();
        ++heard;  // the callback still runs whole after its menu is gone
    };
    mouse.moveTo({400, 600});
    owned->show(numbered(3), ListMenu::Header::caption("x"), {}, 5);
    const Rect f = owned->panel()->frame();
    mouse.moveTo({f.midX(), f.maxY() - 35 - 17});
    mouse.moveTo({f.midX(), f.maxY() - 35 - 20});
    EXPECT_EQ(heard, 1);
    EXPECT_FALSE(owned);
    EXPECT_TRUE(desktop.panels().onScreen().empty());
}

TEST_F(ListMenuTest, RowsAndLinesAreLaidOutInTheirPlaces) {
    mouse.moveTo({400, 600});
    std::vector<ListMenuItem> items{
        {"1", std::string(400, 'w'), std::string("10:42"), std::string("pin.fill"), false},
        {std::nullopt, "short", std::string(300, 'd'), std::nullopt, true},
        {"3", "plain", std::nullopt, std::nullopt, false},
    };
    menu.show(items, ListMenu::Header::search(std::string(200, 'q') + "é", "Search"), {"↩ paste", "⌫ delete", "esc"}, 5);
    const Drawing d = viewOnScreen()->drawing();
    EXPECT_EQ(d.size, (Size{340, 167}));

    std::vector<draw::Text> texts;
    std::vector<draw::Symbol> symbols;
    for (const auto& op : d.ops) {
        if (const auto* t = std::get_if<draw::Text>(&op)) texts.push_back(*t);
        if (const auto* s = std::get_if<draw::Symbol>(&op)) symbols.push_back(*s);
    }
    auto find = [&](auto pred) {
        for (const auto& t : texts)
            if (pred(t)) return t;
        ADD_FAILURE() << "no such text";
        return draw::Text{};
    };

    // A long query shows its end, caret included, inside the header's 308 points.
    const draw::Text header = find([](const draw::Text& t) { return t.font == View::kHeaderFont; });
    EXPECT_EQ(header.text.rfind("…", 0), 0u);
    EXPECT_TRUE(header.text.ends_with("qé▌"));
    EXPECT_LE(desktop.platform().textMeasurer.measure(header.text, View::kHeaderFont).width, 308);
    EXPECT_EQ(header.frame, Rect(16, 30 + 102 + 4, 308, 15));

    // Row 0: the title takes at most half the room before the symbol, the detail the rest less 10,
    // right-aligned against the symbol, which sits 10 points from the row's right edge.
    const Rect row0 = menu.content()->rowFrame(0);
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0].box.maxX(), row0.maxX() - 10 - 1);
    const double symbolLeft = row0.maxX() - 10 - 16;
    const double room = symbolLeft - (row0.minX() + 37);
    const draw::Text title0 = find([](const draw::Text& t) { return t.text.starts_with("www"); });
    const draw::Text detail0 = find([](const draw::Text& t) { return t.text == "10:42"; });
    EXPECT_EQ(title0.frame.minX(), row0.minX() + 37);
    EXPECT_DOUBLE_EQ(title0.frame.width(), room / 2);
    EXPECT_DOUBLE_EQ(detail0.frame.maxX(), symbolLeft);
    EXPECT_LT(detail0.frame.width(), room / 2 - 10);
    EXPECT_EQ(detail0.font, View::kDetailFont);

    // Row 1: a short monospaced title keeps its width; the long detail gets the rest less 10.
    const Rect row1 = menu.content()->rowFrame(1);
    const draw::Text title1 = find([](const draw::Text& t) { return t.text == "short"; });
    const draw::Text detail1 = find([](const draw::Text& t) { return t.text.starts_with("ddd"); });
    EXPECT_EQ(title1.font, View::kMonoTitleFont);
    EXPECT_LT(title1.frame.width(), 60);
    EXPECT_DOUBLE_EQ(detail1.frame.minX(), title1.frame.maxX() + 10);
    EXPECT_DOUBLE_EQ(detail1.frame.maxX(), row1.maxX() - 10);

    // Row 2: no detail, so the title runs to 10 points before the row's right edge.
    const Rect row2 = menu.content()->rowFrame(2);
    const draw::Text title2 = find([](const draw::Text& t) { return t.text == "plain"; });
    EXPECT_DOUBLE_EQ(title2.frame.maxX(), row2.maxX() - 10);
    EXPECT_NEAR(title2.frame.midY(), row2.midY(), 0.01);

    // Footer hints run left to right from x 11, 14 points apart, 5 above the bottom.
    std::vector<draw::Text> hints;
    for (const auto& t : texts)
        if (t.font == View::kFooterFont) hints.push_back(t);
    ASSERT_EQ(hints.size(), 3u);
    EXPECT_EQ(hints[0].frame.origin, (Point{11, 5}));
    EXPECT_DOUBLE_EQ(hints[1].frame.minX(), hints[0].frame.maxX() + 14);
    EXPECT_DOUBLE_EQ(hints[2].frame.minX(), hints[1].frame.maxX() + 14);

    // An empty query shows the placeholder without a caret.
    menu.update(items, ListMenu::Header::search("", "Search"));
    bool placeholder = false;
    for (const auto& op : menu.content()->drawing().ops)
        if (const auto* t = std::get_if<draw::Text>(&op)) placeholder |= t->text == "Search";
    EXPECT_TRUE(placeholder);
}

TEST_F(ListMenuTest, ScrolledRowsAreClippedAndTheSnapshotRenders) {
    showAt({400, 600}, 40, 5);
    menu.highlight(20);
    const Drawing d = menu.content()->drawing();
    int titles = 0, clips = 0;
    for (const auto& op : d.ops) {
        if (const auto* t = std::get_if<draw::Text>(&op); t && t->text.starts_with("Entry ")) ++titles;
        if (const auto* s = std::get_if<draw::PushState>(&op); s && s->clip) {
            EXPECT_EQ(s->clip->bounds(), menu.content()->rowArea());
            ++clips;
        }
    }
    EXPECT_EQ(clips, 1);
    EXPECT_LE(titles, 6) << "only the rows in sight are drawn";

    // The highlighted row, now the lowest in sight, is painted in the highlight colour left of its
    // slot label.
    const Rect lit = menu.content()->rowFrame(20);
    ASSERT_EQ(lit.minY(), 30);
    int width = 0, height = 0;
    const auto rgba = host::CairoRenderer::renderRGBA(d, 2, width, height);
    ASSERT_EQ(width, 680);
    ASSERT_EQ(height, 470);
    const int px = static_cast<int>((lit.minX() + 4) * 2), py = static_cast<int>((d.size.height - lit.midY()) * 2);
    const std::uint8_t* pixel = &rgba[(static_cast<std::size_t>(py) * width + px) * 4];
    EXPECT_NEAR(pixel[0], 0, 1);
    EXPECT_NEAR(pixel[1], 122, 1);
    EXPECT_NEAR(pixel[2], 255, 1);

    test::TempDir dir;
    EXPECT_TRUE(host::CairoRenderer::renderPNG(d, 2, dir.path() / "menu.png").ok());

    menu.setAppearance(ListMenu::Appearance::dark);
    EXPECT_EQ(viewOnScreen()->appearance(), ListMenu::Appearance::dark);
    menu.setEmptyText("Nothing copied yet");
    menu.update({}, ListMenu::Header::caption("History"));
    bool empty = false;
    for (const auto& op : viewOnScreen()->drawing().ops)
        if (const auto* t = std::get_if<draw::Text>(&op); t && t->text == "Nothing copied yet") {
            empty = true;
            EXPECT_NEAR(t->frame.midX(), 170, 0.01);
            EXPECT_NEAR(t->frame.midY(), 30 + 17, 0.01);
        }
    EXPECT_TRUE(empty);
}

}  // namespace
}  // namespace tarnlet
