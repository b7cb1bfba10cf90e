// Breaks, keep-awake and the menu-bar menu inside the whole application: the chips at the notch,
// the status item's clicks and icon, the session-ended notice, and the timers of a long day.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "notch/NotchBarView.h"
#include "support/AppFixture.h"
#include "app/tools/BreaksTool.h"
#include "app/tools/AwakeTool.h"
#include "ui/MenuBarIcon.h"

namespace tarnlet {
namespace {

class WellbeingWiringTest : public test::AppFixture {
protected:
    WellbeingWiringTest() : AppFixture({SettingsPane::breaks, SettingsPane::awake}) {
        // Someone at work: the mouse keeps moving, so no check finds a natural break, and the last
        // key went down a while ago, so no check finds them typing.
        desktop.inputIdle().setContinuous(EventType::mouseMoved, true);
        desktop.advanceBy(10);
    }
    void launch() { start(); }
    std::string chip() {
        auto bar = app->notch().controller().chipBar();
        if (!bar) return "none";
        std::string text;
        for (const auto& item : bar->content().right) text += item.text.value_or("");
        return text + " — " + bar->content().caption.value_or("");
    }
    std::optional<std::string> iconName() {
        auto image = desktop.statusBar().image();
        return image ? std::optional(image->name) : std::nullopt;
    }
};

TEST_F(WellbeingWiringTest, TheBreakIsAnnouncedCountedDownShownAndCelebratedAtTheNotch) {
    desktop.defaults().standard().set("breaks.isEnabled", true);
    desktop.defaults().standard().set("breaks.workIntervalMinutes", 1);
    launch();
    ASSERT_TRUE(app->tool<BreaksTool>().breaks().isActive());

    desktop.advanceBy(1);  // a one-minute cycle warns after the one-second floor
    EXPECT_EQ(chip(), "1m — Breaks");
    desktop.advanceBy(50);
    EXPECT_TRUE(app->notch().controller().liveChipActive());
    EXPECT_EQ(chip(), "0:10 — Breaks");
    desktop.advanceBy(3);
    EXPECT_EQ(chip(), "0:07 — Breaks");

    desktop.advanceBy(7);
    EXPECT_TRUE(app->tool<BreaksTool>().breaks().overlay().isShowing());
    EXPECT_TRUE(app->tool<BreaksTool>().breakScreenVisible());
    desktop.advanceBy(1);
    EXPECT_FALSE(app->notch().controller().liveChipActive());

    desktop.advanceBy(19);
    EXPECT_FALSE(app->tool<BreaksTool>().breakScreenVisible());
    EXPECT_EQ(chip(), "Done — Breaks");
}

TEST_F(WellbeingWiringTest, RightClickTogglesAnIndefiniteSessionWithChipAndIcon) {
    desktop.defaults().standard().set("awake.durationMinutes", 30);
    launch();
    EXPECT_EQ(iconName(), MenuBarIcon::kName);

    desktop.statusBar().click(StatusClick::right);
    desktop.runUntilIdle();
    EXPECT_FALSE(desktop.statusBar().isMenuOpen());
    EXPECT_TRUE(app->tool<AwakeTool>().awake().isActive());
    EXPECT_FALSE(app->tool<AwakeTool>().awake().endsAt().has_value());  // the quick toggle ignores the duration
    EXPECT_EQ(chip(), "On — Awake");
    EXPECT_EQ(iconName(), MenuBarIcon::kActiveName);
    EXPECT_EQ(desktop.haptics().count(), 1);
    ASSERT_EQ(desktop.powerAssertions().ownAssertions().size(), 1u);

    desktop.statusBar().click(StatusClick::right);
    desktop.runUntilIdle();
    EXPECT_FALSE(app->tool<AwakeTool>().awake().isActive());
    EXPECT_EQ(chip(), "Off — Awake");  // the switch's chip follows the session's
    EXPECT_EQ(iconName(), MenuBarIcon::kName);
    EXPECT_TRUE(desktop.powerAssertions().ownAssertions().empty());
}

TEST_F(WellbeingWiringTest, TheMenuStartsATimedSessionWhoseEndIsNoticedAndWithdrawn) {
    launch();
    desktop.statusBar().click(StatusClick::left);
    ASSERT_TRUE(desktop.statusBar().isMenuOpen());
    ASSERT_TRUE(desktop.statusBar().choose({"Keep Awake", "15 minutes"}));
    desktop.runUntilIdle();
    EXPECT_EQ(desktop.defaults().standard().integer("awake.durationMinutes"), 15);

    // The menu's own start is the quick toggle, which sets no limit; the settings' switch does.
    app->settings().set("awake.isEnabled", true);
    desktop.runUntilIdle();
    ASSERT_TRUE(app->tool<AwakeTool>().awake().isActive());
    desktop.statusBar().click(StatusClick::left);
    ASSERT_TRUE(desktop.statusBar().isMenuOpen());
    EXPECT_TRUE(desktop.statusBar().openMenu()[0].checked);
    ASSERT_TRUE(desktop.statusBar().choose({"Keep Awake", "End Session Now"}));
    desktop.runUntilIdle();
    EXPECT_FALSE(app->tool<AwakeTool>().awake().isActive());
    app->settings().set("awake.isEnabled", true);
    desktop.runUntilIdle();

    desktop.advanceBy(15 * 60);
    EXPECT_FALSE(app->tool<AwakeTool>().awake().isActive());
    EXPECT_TRUE(desktop.notices().isDelivered("awake-ended"));
    EXPECT_EQ(desktop.notices().delivered().at("awake-ended").title, "Keep-awake session ended");
    desktop.advanceBy(30);
    EXPECT_FALSE(desktop.notices().isDelivered("awake-ended"));
}

TEST_F(WellbeingWiringTest, TheFeatureKeyTogglesAQuickSession) {
    desktop.defaults().standard().set("awake.durationMinutes", 30);
    launch();
    app->runFeatureKey(FeatureChords::Key::awake);
    desktop.runUntilIdle();
    EXPECT_TRUE(app->tool<AwakeTool>().awake().isActive());
    EXPECT_FALSE(app->tool<AwakeTool>().awake().endsAt().has_value());
    EXPECT_TRUE(desktop.defaults().standard().boolean("awake.isEnabled"));
    app->runFeatureKey(FeatureChords::Key::awake);
    desktop.runUntilIdle();
    EXPECT_FALSE(app->tool<AwakeTool>().awake().isActive());
}

// Nothing polls: over a simulated day of work with breaks and a keep-awake session watching its
// triggers, the number of pending tasks stays where the first cycle left it.
TEST_F(WellbeingWiringTest, PendingTasksNeverGrowOverADay) {
    auto& defaults = desktop.defaults().standard();
    defaults.set("breaks.isEnabled", true);
    defaults.set("awake.isEnabled", true);
    defaults.set("awake.onExternalDisplay", true);
    defaults.set("awake.onDriveMounted", true);
    launch();
    ASSERT_TRUE(app->tool<BreaksTool>().breaks().isActive());
    ASSERT_TRUE(app->tool<AwakeTool>().awake().isActive());

    // Sampled every second, the first cycle (warning, countdown, break, fade) sets the bound.
    std::size_t firstCycle = 0;
    for (int second = 0; second < 25 * 60; ++second) {
        desktop.advanceBy(1);
        firstCycle = std::max(firstCycle, desktop.queue().pendingCount());
    }
    std::size_t rest = 0;
    for (int second = 25 * 60; second < 24 * 3600; ++second) {
        desktop.advanceBy(1);
        // A drive comes and goes now and then; the session it would start is already running.
        if (second % 5000 == 0) desktop.volumes().mount("Backup");
        if (second % 5000 == 300) desktop.volumes().unmount("Backup");
        rest = std::max(rest, desktop.queue().pendingCount());
    }
    EXPECT_LE(rest, firstCycle);
    EXPECT_LE(firstCycle, 8u);
}

}  // namespace
}  // namespace tarnlet
