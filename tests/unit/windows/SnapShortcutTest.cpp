#include <gtest/gtest.h>

#include <set>

#include "keys/HotKeyWatcher.h"
#include "support/TestEnvironment.h"
#include "windows/FootprintWindow.h"
#include "windows/SnapDialView.h"
#include "windows/SnapHotKeys.h"
#include "windows/SnapShortcut.h"

namespace tarnlet {
namespace {

TEST(SnapShortcutTest, TableCoversEveryPlaceOnceInGroupOrder) {
    std::vector<std::string> names;
    std::set<SnapPosition> seen;
    for (const auto& group : SnapShortcut::groups()) {
        names.push_back(group.name);
        for (const auto& s : group.shortcuts) EXPECT_TRUE(seen.insert(s.position).second) << s.title;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Halves", "Quarters", "Thirds", "Two thirds", "Whole window", "Other displays"}));
    EXPECT_EQ(seen.size(), 18u);
    // The hot-key table follows the same places, with Command added only for the display moves.
    for (const auto& hotKey : SnapShortcut::hotKeys())
        EXPECT_EQ(hotKey.modifiers, hotKey.position == SnapPosition::nextDisplay ||
                                            hotKey.position == SnapPosition::previousDisplay
                                        ? 0x1900u
                                        : 0x1800u);
}

TEST(SnapShortcutTest, DisplayWritesModifiersThenKeySymbol) {
    const auto& groups = SnapShortcut::groups();
    EXPECT_EQ(SnapShortcut::display(groups[0].shortcuts[0]), "⌃⌥←");
    EXPECT_EQ(SnapShortcut::display(groups[1].shortcuts[0]), "⌃⌥U");
    EXPECT_EQ(SnapShortcut::display(groups[4].shortcuts[0]), "⌃⌥↩");
    EXPECT_EQ(SnapShortcut::display(groups[4].shortcuts[2]), "⌃⌥⌫");
    EXPECT_EQ(SnapShortcut::display(groups[5].shortcuts[1]), "⌃⌥⌘→");
    EXPECT_EQ(groups[0].shortcuts[0].key, "\xEF\x9C\x82");  // the platform's left-arrow character
}

TEST(SnapShortcutTest, HintRowsCarryLabelsAndIcons) {
    const auto rows = SnapShortcut::hintItems();
    ASSERT_EQ(rows[0].size(), 5u);
    ASSERT_EQ(rows[1].size(), 6u);
    EXPECT_EQ(rows[0][4].badge, "⏎");
    EXPECT_EQ(rows[1][5].badge, "⌫");
    EXPECT_EQ(rows[1][0].effectivePulseKey(), "U");
    ASSERT_TRUE(rows[0][0].icon);
    EXPECT_FALSE(rows[0][0].icon->isSymbol());
    EXPECT_FALSE(SnapShortcut::hintLabel(SnapPosition::leftThird));
}

class SnapHotKeysTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    HotKeyWatcher watcher{desktop.hotKeys()};
};

TEST_F(SnapHotKeysTest, RegistersOnceSkipsTakenCombinationsAndUnregisters) {
    // Another application holds Control-Option-C.
    desktop.hotKeys().takeByOtherApplication(8, 0x1800);
    SnapHotKeys keys(watcher);
    std::vector<SnapPosition> snapped;
    keys.onSnap = [&](SnapPosition p) { snapped.push_back(p); };
    keys.registerAll();
    EXPECT_EQ(keys.ids().size(), 17u);
    keys.registerAll();
    EXPECT_EQ(keys.ids().size(), 17u);
    EXPECT_EQ(watcher.count(), 17u);

    desktop.keyboard().keyDown(*sim::SimKeyboard::keyCode("ctrl"));
    desktop.keyboard().keyDown(*sim::SimKeyboard::keyCode("opt"));
    desktop.keyboard().press(*sim::SimKeyboard::keyCode("left"));
    desktop.keyboard().keyDown(*sim::SimKeyboard::keyCode("cmd"));
    desktop.keyboard().press(*sim::SimKeyboard::keyCode("left"));
    desktop.runUntilIdle();
    EXPECT_EQ(snapped, (std::vector<SnapPosition>{SnapPosition::leftHalf, SnapPosition::previousDisplay}));

    keys.unregisterAll();
    EXPECT_TRUE(keys.ids().empty());
    EXPECT_EQ(watcher.count(), 0u);
    EXPECT_FALSE(watcher.isHandlerInstalled());
}

TEST(SnapDialViewTest, SelectionRedrawsOnlyOnChangeAndLightsOneSegment) {
    SnapDialView view;
    EXPECT_FALSE(view.setSelected(std::nullopt));
    EXPECT_TRUE(view.setSelected(SnapPosition::topHalf));
    EXPECT_FALSE(view.setSelected(SnapPosition::topHalf));
    const Drawing d = view.drawing();
    EXPECT_EQ(d.size, (Size{104, 104}));
    int lit = 0, unlit = 0;
    for (const auto& op : d.ops)
        if (auto fill = std::get_if<draw::FillPath>(&op)) {
            if (fill->color == FootprintWindow::kAccent) ++lit;
            else if (fill->color == Color::white(0.14)) ++unlit;
        }
    EXPECT_EQ(lit, 1);
    EXPECT_EQ(unlit, 7);
}

}  // namespace
}  // namespace tarnlet
