// The notch feature's rules: which chips each setting allows, battery thresholds, takeovers.

#include "notch/NotchFeature.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "notch/NotchBarView.h"
#include "notch/NotchGeometry.h"
#include "notch/NotchStage.h"
#include "notch/NotchStates.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class NotchFeatureTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    BatteryMonitor battery{desktop.powerSources()};
    NotchStage stage;
    NotchFeature notch{settings, battery, stage, desktop.panels(), desktop.screens(), desktop.platform().textMeasurer,
                       desktop.queue()};

    std::vector<std::shared_ptr<const NotchBarView>> bars() const {
        std::vector<std::shared_ptr<const NotchBarView>> out;
        for (const auto& record : desktop.panels().onScreen())
            if (auto bar = std::dynamic_pointer_cast<const NotchBarView>(record->content)) out.push_back(bar);
        return out;
    }
    std::optional<NotchContent> shown() const {
        auto all = bars();
        if (all.empty()) return std::nullopt;
        return all.back()->content();
    }
    void setBattery(int percent, bool onBattery) {
        desktop.powerSources().setBattery(percent, onBattery);
        desktop.runUntilIdle();
    }
    static std::vector<NotchBarItem> hints(int n) {
        std::vector<NotchBarItem> items(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) items[static_cast<std::size_t>(i)].badge = std::to_string(i);
        return items;
    }
};

TEST_F(NotchFeatureTest, NothingShowsWhileInactive) {
    EXPECT_FALSE(notch.showSpaceChip(2));
    notch.showLeaderHints(hints(3), std::string("features"));
    notch.showChip(NotchStates::breakDone(), 2.5);
    EXPECT_TRUE(bars().empty());
}

TEST_F(NotchFeatureTest, BatteryChipsFollowTheThresholds) {
    settings.set("notch.batteryChips", true);
    setBattery(21, true);
    notch.activate();
    setBattery(20, true);
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->caption, "low");
    EXPECT_EQ(*shown()->right.front().text, "20%");
    EXPECT_FALSE(shown()->right.front().warning);
    desktop.advanceBy(3);

    setBattery(19, true);  // no threshold crossed
    EXPECT_FALSE(shown());
    setBattery(11, true);
    setBattery(10, true);
    ASSERT_TRUE(shown());
    EXPECT_TRUE(shown()->right.front().warning);
    EXPECT_TRUE(shown()->left.front().warning);
    desktop.advanceBy(3);

    setBattery(10, false);  // plugged in
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->caption, "charging");
    desktop.advanceBy(3);
    setBattery(10, true);  // unplugged
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->caption, std::nullopt);
    EXPECT_EQ(*shown()->right.front().text, "10%");
}

TEST_F(NotchFeatureTest, BatteryChipsNeedTheirSetting) {
    notch.activate();
    EXPECT_EQ(desktop.powerSources().observerCount(), 0u);
    setBattery(15, true);
    EXPECT_FALSE(shown());
    settings.set("notch.batteryChips", true);
    notch.activate();  // re-applies the settings, as reconcile does
    EXPECT_EQ(desktop.powerSources().observerCount(), 1u);
    settings.set("notch.batteryChips", false);
    notch.activate();
    EXPECT_EQ(desktop.powerSources().observerCount(), 0u);
}

TEST_F(NotchFeatureTest, LeaderHintsObeyTheirSettingsAndTheItemLimit) {
    notch.activate();
    settings.set("notch.featureHints", false);
    notch.showLeaderHints(hints(3), std::string("features"));
    EXPECT_FALSE(shown());
    notch.showLeaderHints(hints(3), std::string("press a key to jump"));
    ASSERT_TRUE(shown());
    settings.set("notch.leaderHints", false);
    notch.showLeaderHints(hints(3), std::string("choose window"));
    EXPECT_EQ(shown()->caption, "press a key to jump");

    settings.set("notch.leaderHints", true);
    settings.set("notch.maxHintItems", 5);
    notch.showLeaderHints(hints(12), std::string("press a key to jump"));
    EXPECT_EQ(shown()->left.size(), 3u);
    EXPECT_EQ(shown()->right.size(), 2u);
    notch.dropLeaderHints();
    desktop.advanceBy(0.2);
    EXPECT_FALSE(shown());
}

TEST_F(NotchFeatureTest, LeaderHintsCanHideThemselves) {
    notch.activate();
    notch.showLeaderHints(hints(2), std::string("snap"), 1.0);
    desktop.advanceBy(0.9);
    EXPECT_TRUE(shown());
    desktop.advanceBy(0.3);
    EXPECT_FALSE(shown());
}

TEST_F(NotchFeatureTest, TheSpaceChipNeedsItsSettingAndAScreen) {
    notch.activate();
    EXPECT_TRUE(notch.showSpaceChip(3));
    EXPECT_EQ(*shown()->right.front().text, "3");
    settings.set("notch.spaceNumber", false);
    EXPECT_FALSE(notch.showSpaceChip(4));
    settings.set("notch.spaceNumber", true);
    // Deferred behind the hint strip, or refused under a takeover: not shown, and said so.
    notch.showLeaderHints(hints(2), std::string("features"));
    EXPECT_FALSE(notch.showSpaceChip(6));
    notch.dropLeaderHints();
    desktop.runUntilIdle();
    stage.claim(NotchTakeover::ocrPrompt);
    EXPECT_FALSE(notch.showSpaceChip(7));
    stage.release(NotchTakeover::ocrPrompt);
    desktop.screens().setScreens({});
    desktop.runUntilIdle();
    EXPECT_FALSE(notch.showSpaceChip(5));
}

TEST_F(NotchFeatureTest, ALiveChipUpdateWhileTheLastOneClosesShowsAfresh) {
    notch.activate();
    notch.showLiveChip(NotchStates::breakCountdown(1, true));
    notch.dismissLiveChip();
    EXPECT_FALSE(notch.controller().liveChipActive());
    desktop.advanceBy(NotchBarView::kCloseDuration / 2);
    notch.showLiveChip(NotchStates::breakCountdown(30, true));
    desktop.advanceBy(NotchBarView::kCloseDuration);
    ASSERT_EQ(bars().size(), 1u);
    EXPECT_TRUE(bars().front()->isShown());
    EXPECT_EQ(shown()->right.front().text, NotchStates::breakCountdown(30, true).right.front().text);
    EXPECT_EQ(stage.shown(), NotchSource::liveChip);
    EXPECT_TRUE(notch.controller().liveChipActive());
}

TEST_F(NotchFeatureTest, ATakeoverClearsTheNotch) {
    notch.activate();
    notch.showLeaderHints(hints(2), std::string("features"));
    EXPECT_EQ(stage.shown(), NotchSource::hints);
    stage.claim(NotchTakeover::ocrPrompt);
    EXPECT_TRUE(bars().empty());
    notch.showChip(NotchStates::breakDone(), 2.5);  // refused while the takeover holds
    EXPECT_TRUE(bars().empty());
    stage.release(NotchTakeover::ocrPrompt);
    notch.showChip(NotchStates::breakDone(), 2.5);
    EXPECT_TRUE(shown());
    EXPECT_EQ(stage.shown(), NotchSource::chip);
}

TEST_F(NotchFeatureTest, AGeometryChangeAndDeactivationTearEverythingDown) {
    notch.activate();
    notch.showChip(NotchStates::breakDone(), 2.5);
    const bool before = NotchGeometry::drawsWithoutNotch();
    NotchGeometry::setDrawsWithoutNotch(!before);
    NotchGeometry::setDrawsWithoutNotch(before);
    EXPECT_TRUE(bars().empty());
    notch.showLiveChip(NotchStates::breakCountdown(3, true));
    notch.deactivate();
    EXPECT_TRUE(bars().empty());
    EXPECT_FALSE(stage.shown());
}

TEST_F(NotchFeatureTest, DeviceChipsNeedTheirSetting) {
    notch.activate();
    notch.showDeviceChip(Image::symbol("airpods"), "AirPods", 80, true);
    EXPECT_FALSE(shown());
    settings.set("notch.deviceChips", true);
    notch.showDeviceChip(Image::symbol("airpods"), "AirPods", 80, true);
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->caption, "AirPods");
    EXPECT_EQ(shown()->right.front().text, "80%");
    notch.showDeviceChip(Image::symbol("keyboard"), "Keyboard", std::nullopt, true);
    EXPECT_TRUE(shown()->right.empty());
    notch.showDeviceChip(Image::symbol("keyboard"), "Keyboard", std::nullopt, false);
    EXPECT_EQ(shown()->right.front().text, "Off");
    EXPECT_TRUE(shown()->left.front().dimmed);
}

TEST_F(NotchFeatureTest, TheHintCaptionCanBeReplaced) {
    notch.activate();
    notch.setHintCaption("ignored without a strip");
    notch.showLeaderHints(hints(2), std::string("features"));
    notch.setHintCaption("Focus: on");
    EXPECT_EQ(notch.controller().hintBar()->content().caption, "Focus: on");
}

}  // namespace
}  // namespace tarnlet
