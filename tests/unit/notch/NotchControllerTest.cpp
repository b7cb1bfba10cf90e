// The controller on the simulated panels and screens, with real bars.

#include "notch/NotchController.h"

#include <gtest/gtest.h>

#include "notch/NotchBarView.h"
#include "notch/NotchStates.h"
#include "notch/ScreenSurface.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class NotchControllerTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    ScreenSurface surface{desktop.panels(), desktop.screens()};
    NotchController controller{surface, desktop.platform().textMeasurer, desktop.queue()};
    std::vector<std::string> reports;

    NotchControllerTest() {
        controller.onSource = [this](NotchSource source, bool wants) {
            reports.push_back(std::to_string(static_cast<int>(source)) + (wants ? "+" : "-"));
        };
    }

    // Captions of the bars on screen, oldest first.
    std::vector<std::string> onScreen() const {
        std::vector<std::string> out;
        for (const auto& record : desktop.panels().onScreen())
            if (auto bar = std::dynamic_pointer_cast<const NotchBarView>(record->content))
                out.push_back(bar->content().caption.value_or("?"));
        return out;
    }
    static NotchContent chip(const std::string& caption) {
        auto content = NotchStates::breakDone();
        content.caption = caption;
        return content;
    }
};

TEST_F(NotchControllerTest, AChipShowsForItsDurationThenClosesAndReleasesItsClaim) {
    controller.showChip(chip("one"), 2.5, true);
    EXPECT_EQ(onScreen(), std::vector<std::string>{"one"});
    EXPECT_EQ(desktop.panels().onScreen().front()->options.level, 27);
    desktop.advanceBy(2.5);
    EXPECT_EQ(onScreen(), std::vector<std::string>{"one"});  // closing: the bar animates out
    desktop.advanceBy(0.2);
    EXPECT_TRUE(onScreen().empty());
    EXPECT_EQ(reports, (std::vector<std::string>{"3+", "3-"}));
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);
}

TEST_F(NotchControllerTest, ANewChipReplacesTheOldOneAtOnce) {
    controller.showChip(chip("one"), 2.5, true);
    desktop.advanceBy(1);
    controller.showChip(chip("two"), 2.5, true);
    EXPECT_EQ(onScreen(), std::vector<std::string>{"two"});
    desktop.advanceBy(2);  // the first chip's dismissal was cancelled
    EXPECT_EQ(onScreen(), std::vector<std::string>{"two"});
    EXPECT_EQ(reports, std::vector<std::string>{"3+"});
}

TEST_F(NotchControllerTest, AChipDuringTheHintStripWaitsForItToClose) {
    controller.showHints(NotchStates::leaderHints({NotchBarItem{}}, std::string("features")), true);
    controller.showChip(chip("first"), 2.5, true);
    controller.showChip(chip("second"), 2.5, true);  // replaces the pending one
    EXPECT_EQ(onScreen(), std::vector<std::string>{"features"});
    EXPECT_TRUE(controller.hasPendingChip());
    controller.dropHints(true, false);
    EXPECT_EQ(reports, (std::vector<std::string>{"5+", "5-"}));
    desktop.advanceBy(0.18);
    EXPECT_EQ(onScreen(), std::vector<std::string>{"second"});
    desktop.advanceBy(2.4);  // shown for its whole duration
    EXPECT_EQ(onScreen(), std::vector<std::string>{"second"});
    desktop.advanceBy(0.3);
    EXPECT_TRUE(onScreen().empty());
}

TEST_F(NotchControllerTest, DroppingHintsWithoutAnimationLeavesThePendingChipWaiting) {
    controller.showHints(NotchStates::leaderHints({NotchBarItem{}}, std::string("features")), true);
    controller.showChip(chip("waiting"), 2.5, true);
    controller.dropHints(false, false);
    desktop.advanceBy(1);
    EXPECT_TRUE(onScreen().empty());
    EXPECT_TRUE(controller.hasPendingChip());
}

TEST_F(NotchControllerTest, ANewStripWhileTheOldOneClosesKeepsThePendingChip) {
    const auto hints = NotchStates::leaderHints({NotchBarItem{}}, std::string("features"));
    controller.showHints(hints, true);
    controller.showChip(chip("waiting"), 2.5, true);
    controller.dropHints(true, false);
    controller.showHints(hints, true);
    desktop.advanceBy(1);
    EXPECT_EQ(onScreen(), std::vector<std::string>{"features"});
    EXPECT_TRUE(controller.hasPendingChip());
}

TEST_F(NotchControllerTest, LiveChipUpdatesReuseTheMountWithoutAnimation) {
    controller.showLiveChip(NotchStates::breakCountdown(20, true));
    const auto shown = desktop.panels().shownCount();
    desktop.advanceBy(1);
    controller.showLiveChip(NotchStates::breakCountdown(19, false));
    controller.showLiveChip(NotchStates::breakCountdown(18, true));
    EXPECT_EQ(desktop.panels().shownCount(), shown);
    EXPECT_EQ(desktop.panels().onScreen().size(), 1u);
    auto bar = controller.chipBar();
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->isShown());
    EXPECT_EQ(*bar->content().right.front().text, "0:18");
    EXPECT_EQ(reports, std::vector<std::string>{"2+"});
    // No timer ends a live chip.
    desktop.advanceBy(60);
    EXPECT_EQ(desktop.panels().onScreen().size(), 1u);
}

TEST_F(NotchControllerTest, ALiveChipUpdateDuringTheStripIsDropped) {
    controller.showHints(NotchStates::leaderHints({NotchBarItem{}}, std::string("x")), false);
    controller.showLiveChip(NotchStates::breakCountdown(5, true));
    EXPECT_EQ(onScreen(), std::vector<std::string>{"x"});
    EXPECT_FALSE(controller.liveChipActive());
}

TEST_F(NotchControllerTest, AStaticChipStaysUntilDismissed) {
    controller.showChip(chip("stays"), 2.5, false);
    desktop.advanceBy(100);
    EXPECT_EQ(onScreen(), std::vector<std::string>{"stays"});
    controller.dismissChip();
    desktop.advanceBy(0.2);
    EXPECT_TRUE(onScreen().empty());
}

TEST_F(NotchControllerTest, NothingIsShownWhenItCannotBeAndNoTimerIsLeft) {
    desktop.runUntilIdle();
    controller.canPresent = [] { return false; };
    controller.showChip(chip("refused"), 2.5, true);
    EXPECT_TRUE(onScreen().empty());
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);
    controller.canPresent = [] { return true; };
    controller.showChip(NotchContent{}, 2.5, true);  // empty content
    desktop.screens().setScreens({});
    desktop.runUntilIdle();
    controller.showChip(chip("no screen"), 2.5, true);
    EXPECT_TRUE(onScreen().empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(NotchControllerTest, TeardownRemovesEverythingAndReleasesEveryClaim) {
    controller.showChip(chip("chip"), 2.5, true);
    controller.showHints(NotchStates::leaderHints({NotchBarItem{}}, std::string("x")), true);  // drops the chip
    controller.showChip(chip("pending"), 2.5, true);
    controller.teardown();
    EXPECT_TRUE(onScreen().empty());
    EXPECT_FALSE(controller.hasPendingChip());
    EXPECT_EQ(reports, (std::vector<std::string>{"3+", "3-", "5+", "5-"}));
    desktop.advanceBy(5);
    EXPECT_TRUE(onScreen().empty());
}

}  // namespace
}  // namespace tarnlet
