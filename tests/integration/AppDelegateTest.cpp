// The whole application object on the simulated desktop, with probe tools in the feature table.

#include "app/AppDelegate.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "notch/NotchBarView.h"
#include "notch/NotchGeometry.h"
#include "support/AppFixture.h"

namespace tarnlet {
namespace {

using test::ProbeFeature;

// Every tool is a probe but the notch, which is the application's own.
class AppDelegateTest : public test::AppFixture {
protected:

    // Writes the store directly, as before a launch.
    void preset(const std::string& key, const Value& value) { desktop.defaults().standard().set(key, value); }

    AppDelegate& launch(const std::vector<std::string>& arguments = {}) { return start(arguments); }

    ProbeFeature& probe(SettingsPane pane) { return probes.at(pane); }
    std::vector<std::string> logLines() const {
        std::vector<std::string> out;
        for (const auto& line : desktop.systemLog().lines()) out.push_back(line.text);
        return out;
    }
    bool logged(const std::string& text) const {
        for (const auto& line : desktop.systemLog().lines())
            if (line.text == text) return true;
        return false;
    }
};

TEST_F(AppDelegateTest, AFreshInstallOpensTheSettingsWindow) {
    launch();
    EXPECT_EQ(app->settingsWindowShowCount(), 1);
    // Only the notch, which needs no switch, is running.
    EXPECT_TRUE(app->notch().isActive());
    EXPECT_FALSE(probe(SettingsPane::snap).isActive());
}

TEST_F(AppDelegateTest, KeepAwakeAloneStillCountsAsFirstUse) {
    preset("awake.isEnabled", true);
    launch();
    EXPECT_EQ(app->settingsWindowShowCount(), 1);
    EXPECT_TRUE(probe(SettingsPane::awake).isActive());
}

TEST_F(AppDelegateTest, AnyOtherToolSkipsTheSettingsWindow) {
    preset("autoQuit.isEnabled", true);
    launch();
    EXPECT_EQ(app->settingsWindowShowCount(), 0);
    app->applicationShouldHandleReopen(false);
    EXPECT_EQ(app->settingsWindowShowCount(), 1);
}

TEST_F(AppDelegateTest, SwitchingAToolOnThroughTheSettingsActivatesAndLogsIt) {
    preset("diagnostics.logging", true);
    launch();
    app->settings().set("snap.isEnabled", true);
    EXPECT_TRUE(probe(SettingsPane::snap).isActive());
    EXPECT_TRUE(logged("Feature Snap: ON"));
    app->settings().set("snap.isEnabled", false);
    EXPECT_FALSE(probe(SettingsPane::snap).isActive());
    EXPECT_TRUE(logged("Feature Snap: OFF — switched off"));
    EXPECT_EQ(app->featureStates().at("Snap"), false);
    // The log file has the launch header and both lines.
    const std::string file = test::readText(FileLog::fileURL());
    EXPECT_NE(file.find("═══ Tarnlet "), std::string::npos);
    EXPECT_NE(file.find(" · macOS Version 15.2 (Build 24C101) · Mac15,6 · arm64 · 12 cores · 36 GB · 1 display(s) "
                        "(1512×982+notch) ═══"),
              std::string::npos);
    EXPECT_NE(file.find("Z Feature Snap: ON\n"), std::string::npos);
}

TEST_F(AppDelegateTest, NothingIsLoggedWithDiagnosticsOff) {
    launch();
    app->settings().set("snap.isEnabled", true);
    EXPECT_TRUE(probe(SettingsPane::snap).isActive());
    EXPECT_TRUE(desktop.systemLog().lines().empty());
    EXPECT_FALSE(std::filesystem::exists(FileLog::fileURL()));
}

TEST_F(AppDelegateTest, ReconcileCallsEveryToolAgainEvenWithoutAChange) {
    preset("jump.isEnabled", true);
    launch();
    const int jumpActivations = probe(SettingsPane::jump).activations;
    const int snapDeactivations = probe(SettingsPane::snap).deactivations;
    app->reconcile();
    app->reconcile();
    EXPECT_EQ(probe(SettingsPane::jump).activations, jumpActivations + 2);
    EXPECT_EQ(probe(SettingsPane::snap).deactivations, snapDeactivations + 2);
    EXPECT_EQ(probe(SettingsPane::jump).deactivations, 0);
}

TEST_F(AppDelegateTest, LosingAccessibilityHoldsTheBoundToolsOffUntilItReturns) {
    preset("diagnostics.logging", true);
    preset("snap.isEnabled", true);
    preset("colorPicker.isEnabled", true);
    launch();
    ASSERT_TRUE(probe(SettingsPane::snap).isActive());

    desktop.permissions().changeAccessibility(false);
    desktop.advanceBy(5);
    EXPECT_FALSE(probe(SettingsPane::snap).isActive());
    EXPECT_TRUE(probe(SettingsPane::colorPicker).isActive());  // needs no permission
    EXPECT_TRUE(app->settings().boolean("snap.isEnabled"));    // the flag stays
    EXPECT_TRUE(logged("Accessibility permission changed: false"));
    EXPECT_TRUE(logged("Feature Snap: OFF — needs Accessibility"));
    ASSERT_TRUE(desktop.notices().isDelivered("accessibility-lost"));
    EXPECT_EQ(desktop.notices().delivered().at("accessibility-lost").title, "Tarnlet: Accessibility permission lost");
    EXPECT_EQ(desktop.notices().delivered().at("accessibility-lost").body,
              "Features are paused. Re-grant access in System Settings → Privacy & Security → Accessibility.");

    desktop.permissions().changeAccessibility(true);
    desktop.advanceBy(5);
    EXPECT_TRUE(probe(SettingsPane::snap).isActive());
    EXPECT_TRUE(logged("Feature Snap: ON"));
    EXPECT_EQ(desktop.notices().postCount("accessibility-lost"), 1u);
}

TEST_F(AppDelegateTest, ToolsThatNeedNoPermissionPostNoNoticeOnLoss) {
    preset("colorPicker.isEnabled", true);
    preset("autoQuit.isEnabled", true);
    launch();
    desktop.permissions().changeAccessibility(false);
    desktop.advanceBy(5);
    EXPECT_FALSE(desktop.notices().isDelivered("accessibility-lost"));
    EXPECT_TRUE(probe(SettingsPane::autoQuit).isActive());
}

TEST_F(AppDelegateTest, AToolDrivenByTheChordNeedsThePermissionButIsNotHeldOff) {
    preset("awake.isEnabled", true);
    launch();
    EXPECT_TRUE(app->needsAccessibilityNow());
    desktop.permissions().changeAccessibility(false);
    desktop.advanceBy(5);
    EXPECT_TRUE(desktop.notices().isDelivered("accessibility-lost"));
    EXPECT_TRUE(probe(SettingsPane::awake).isActive());
}

TEST_F(AppDelegateTest, NeedsAccessibilityNowFollowsTheFlags) {
    launch();
    EXPECT_FALSE(app->needsAccessibilityNow());
    for (const char* key : {"colorPicker.isEnabled", "autoQuit.isEnabled"}) {
        app->settings().set(key, true);
        EXPECT_FALSE(app->needsAccessibilityNow()) << key;
    }
    for (const char* key : {"sweep.isEnabled", "focus.isEnabled", "ocr.isEnabled", "snippets.isEnabled"}) {
        app->settings().set(key, true);
        EXPECT_TRUE(app->needsAccessibilityNow()) << key;
        app->settings().set(key, false);
    }
}

TEST_F(AppDelegateTest, LaunchingWithoutThePermissionAsksForItWhenNeeded) {
    desktop.permissions().setAccessibilityTrusted(false);
    preset("jump.isEnabled", true);
    launch();
    EXPECT_EQ(desktop.permissions().accessibilityPromptCount(), 1);
    EXPECT_FALSE(probe(SettingsPane::jump).isActive());

    test::TestEnvironment other;
    other.desktop().permissions().setAccessibilityTrusted(false);
    AppDelegate quiet(other.desktop().platform(), {false, [this](SettingsPane p) -> Feature* {
                          auto it = probes.find(p);
                          return it == probes.end() ? nullptr : &it->second;
                      }});
    quiet.applicationDidFinishLaunching({});
    EXPECT_EQ(other.desktop().permissions().accessibilityPromptCount(), 0);
}

TEST_F(AppDelegateTest, FeatureKeysToggleFlagsAndReconcileFollows) {
    launch();
    app->runFeatureKey(FeatureChords::Key::breaks);
    EXPECT_TRUE(app->settings().boolean("breaks.isEnabled"));
    EXPECT_TRUE(probe(SettingsPane::breaks).isActive());
    app->runFeatureKey(FeatureChords::Key::breaks);
    EXPECT_FALSE(app->settings().boolean("breaks.isEnabled"));
    EXPECT_FALSE(probe(SettingsPane::breaks).isActive());
    // Focus has no tool in this build: its key writes nothing and is not live.
    app->runFeatureKey(FeatureChords::Key::focus);
    EXPECT_FALSE(app->settings().boolean("focus.isEnabled"));
    for (auto key : {FeatureChords::Key::focus, FeatureChords::Key::shelf, FeatureChords::Key::ocr}) {
        app->settings().set(std::string(FeatureChords::rawValue(key)) + ".isEnabled", true);
        const auto live = app->featureChords().liveKeys();
        EXPECT_EQ(std::find(live.begin(), live.end(), key), live.end()) << FeatureChords::rawValue(key);
    }
    app->runFeatureKey(FeatureChords::Key::settings);
    EXPECT_EQ(app->settingsWindowShowCount(), 2);
}

TEST_F(AppDelegateTest, ProfileKeysSwitchTheWholeSetOfTools) {
    preset("diagnostics.logging", true);
    preset("snap.isEnabled", true);
    launch();
    ASSERT_TRUE(probe(SettingsPane::snap).isActive());

    app->runFeatureKey(FeatureChords::Key::profile2);
    EXPECT_EQ(app->settings().profile(), Settings::Profile::two);
    EXPECT_FALSE(probe(SettingsPane::snap).isActive());  // profile two starts empty
    // Profile two has logging off: the reconcile inside the switch stopped the log before the
    // switch could be recorded.
    EXPECT_FALSE(Log::isDebugEnabled());
    EXPECT_FALSE(logged("Settings profile: switched to Profile 2"));

    const auto lines = desktop.systemLog().lines().size();
    app->runFeatureKey(FeatureChords::Key::profile2);  // already active: nothing happens
    EXPECT_EQ(desktop.systemLog().lines().size(), lines);

    app->runFeatureKey(FeatureChords::Key::profile1);
    EXPECT_TRUE(probe(SettingsPane::snap).isActive());
    EXPECT_TRUE(Log::isDebugEnabled());
    EXPECT_TRUE(logged("Settings profile: switched to Profile 1"));
}

TEST_F(AppDelegateTest, SwitchingLoggingOnWritesAFreshHeaderAtOnce) {
    launch();
    EXPECT_FALSE(std::filesystem::exists(FileLog::fileURL()));
    app->settings().set("diagnostics.logging", true);
    const std::string file = test::readText(FileLog::fileURL());
    EXPECT_NE(file.find("═══ Diagnostics on — Tarnlet "), std::string::npos) << file;
}

TEST_F(AppDelegateTest, EveryWakeReconciles) {
    preset("jump.isEnabled", true);
    launch();
    const int before = probe(SettingsPane::jump).activations;
    desktop.workspace().wake();
    desktop.runUntilIdle();
    desktop.workspace().wake();
    desktop.runUntilIdle();
    EXPECT_EQ(probe(SettingsPane::jump).activations, before + 2);
}

TEST_F(AppDelegateTest, MissingSpaceLookupsAreReportedOnceWhileSweepIsOn) {
    desktop.windowServer().setSpaceInterfaceAvailable(false);
    launch();
    EXPECT_FALSE(desktop.notices().isDelivered("spaces-api-unavailable"));
    app->settings().set("sweep.isEnabled", true);
    ASSERT_TRUE(desktop.notices().isDelivered("spaces-api-unavailable"));
    EXPECT_EQ(desktop.notices().delivered().at("spaces-api-unavailable").title, "Tarnlet: limited window detection");
    app->reconcile();
    app->settings().set("sweep.isEnabled", false);
    app->settings().set("sweep.isEnabled", true);
    EXPECT_EQ(desktop.notices().postCount("spaces-api-unavailable"), 1u);
    EXPECT_TRUE(app->warnedSpacesUnavailable());
}

TEST_F(AppDelegateTest, DisplayChangesAndQuitAreLogged) {
    preset("diagnostics.logging", true);
    launch();
    desktop.screens().setScreens({sim::SimScreens::laptopPanel(1512, 982, true),
                                  sim::SimScreens::externalDisplay(2560, 1440, 1512, 2)});
    desktop.runUntilIdle();
    EXPECT_TRUE(logged("Displays changed: 2 display(s) (1512×982+notch, 2560×1440)"));
    desktop.screens().setScreens({});
    desktop.runUntilIdle();
    EXPECT_TRUE(logged("Displays changed: no displays"));
    app->applicationWillTerminate();
    EXPECT_EQ(logLines().back(), "Tarnlet quitting normally");
    EXPECT_TRUE(app->notch().isActive());  // nothing is deactivated at quit
}

TEST_F(AppDelegateTest, AppearanceOption) {
    using A = AppDelegate::Appearance;
    EXPECT_EQ(AppDelegate::appearanceFromArguments({"--appearance", "dark"}), A::darkAqua);
    EXPECT_EQ(AppDelegate::appearanceFromArguments({"--appearance", "light"}), A::aqua);
    EXPECT_EQ(AppDelegate::appearanceFromArguments({"--appearance", "sepia"}), A::aqua);
    EXPECT_EQ(AppDelegate::appearanceFromArguments({"--appearance"}), std::nullopt);
    launch({"--appearance", "dark"});
    EXPECT_EQ(app->appearance(), A::darkAqua);
}

TEST_F(AppDelegateTest, TheChordRunsWhileThePermissionIsGranted) {
    launch();
    EXPECT_TRUE(app->leaderKeys().isRunning());
    desktop.permissions().changeAccessibility(false);
    desktop.advanceBy(5);
    EXPECT_FALSE(app->leaderKeys().isRunning());
    EXPECT_EQ(desktop.keyboard().tapCount(), 0u);
    desktop.permissions().changeAccessibility(true);
    desktop.advanceBy(5);
    EXPECT_TRUE(app->leaderKeys().isRunning());
}

TEST_F(AppDelegateTest, FeatureKeysOnTheKeyboard) {
    launch();
    auto& keyboard = desktop.keyboard();
    auto key = [](const char* name) { return *sim::SimKeyboard::keyCode(name); };
    keyboard.keyDown(key("rcmd"));
    keyboard.keyDown(key("lopt"));
    desktop.advanceBy(0.25);
    EXPECT_EQ(app->leaderHintCaption(), "features");
    keyboard.press(key("b"));
    keyboard.press(key("2"));
    desktop.runUntilIdle();
    EXPECT_TRUE(desktop.defaults().standard().boolean("breaks.isEnabled"));  // toggled in profile one
    EXPECT_EQ(app->settings().profile(), Settings::Profile::two);
    keyboard.keyUp(key("lopt"));
    keyboard.keyUp(key("rcmd"));
    desktop.runUntilIdle();
    EXPECT_EQ(app->leaderHintCaption(), std::nullopt);
    for (const auto& delivery : keyboard.delivered()) EXPECT_FALSE(delivery.event.isKey());
}

TEST_F(AppDelegateTest, KeysOfToolsThisBuildLacksReachTheFrontApplication) {
    preset("notch.nowPlaying", true);
    preset("shelf.isEnabled", true);
    preset("ocr.isEnabled", true);
    launch();
    auto& keyboard = desktop.keyboard();
    auto key = [](const char* name) { return *sim::SimKeyboard::keyCode(name); };
    keyboard.keyDown(key("rcmd"));
    keyboard.keyDown(key("ropt"));
    for (const char* name : {"f", "s", "t"}) keyboard.press(key(name));
    keyboard.keyUp(key("ropt"));
    // The media keys under the Command leader wait for now playing.
    for (const char* name : {"f7", "f8"}) keyboard.press(key(name));
    keyboard.keyUp(key("rcmd"));
    desktop.runUntilIdle();
    std::vector<std::string> received;
    for (const auto& delivery : keyboard.delivered())
        if (delivery.event.isKey() && delivery.event.type == EventType::keyDown)
            received.push_back(sim::SimKeyboard::keyName(delivery.event.keyCode));
    EXPECT_EQ(received, (std::vector<std::string>{"f", "s", "t", "f7", "f8"}));
    EXPECT_FALSE(app->settings().boolean("focus.isEnabled"));
}

TEST_F(AppDelegateTest, TheHintDelayComesFromTheSettings) {
    preset("notch.hintDelay", 1.0);
    launch();
    auto& keyboard = desktop.keyboard();
    keyboard.keyDown(*sim::SimKeyboard::keyCode("rcmd"));
    keyboard.keyDown(*sim::SimKeyboard::keyCode("ropt"));
    desktop.advanceBy(0.9);
    EXPECT_EQ(app->leaderHintCaption(), std::nullopt);
    desktop.advanceBy(0.2);
    EXPECT_EQ(app->leaderHintCaption(), "features");
    // Right Option alone is Jump's, which is not running: nothing new is shown.
    keyboard.keyUp(*sim::SimKeyboard::keyCode("rcmd"));
    desktop.advanceBy(2);
    EXPECT_EQ(app->leaderHintCaption(), "features");
    keyboard.keyUp(*sim::SimKeyboard::keyCode("ropt"));
    desktop.runUntilIdle();
    EXPECT_EQ(app->leaderHintCaption(), std::nullopt);
}

TEST_F(AppDelegateTest, SwitchingAToolShowsItsChipFromTheSecondReconcileOn) {
    preset("jump.isEnabled", true);
    launch();
    EXPECT_TRUE(desktop.panels().onScreen().empty());  // the first reconcile only records
    app->reconcile();
    EXPECT_TRUE(desktop.panels().onScreen().empty());  // nothing changed
    app->settings().set("snap.isEnabled", true);
    ASSERT_EQ(desktop.panels().onScreen().size(), 1u);
    auto bar = std::dynamic_pointer_cast<const NotchBarView>(desktop.panels().onScreen().front()->content);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->content().caption, "Snap");
    EXPECT_EQ(bar->content().right.front().text, "On");
    EXPECT_TRUE(bar->content().right.front().accentDot);
    desktop.advanceBy(3);
    EXPECT_TRUE(desktop.panels().onScreen().empty());
    app->settings().set("jump.isEnabled", false);
    bar = std::dynamic_pointer_cast<const NotchBarView>(desktop.panels().onScreen().front()->content);
    EXPECT_EQ(bar->content().right.front().text, "Off");
}

TEST_F(AppDelegateTest, NotchlessDisplaysFollowTheirSetting) {
    desktop.screens().setScreens({sim::SimScreens::externalDisplay(1920, 1080, 0, 1)});
    launch();
    desktop.runUntilIdle();
    EXPECT_TRUE(NotchGeometry::drawsWithoutNotch());
    app->settings().set("notch.onNotchlessDisplays", false);
    EXPECT_FALSE(NotchGeometry::drawsWithoutNotch());
    app->settings().set("snap.isEnabled", true);  // no notch to show the chip at
    EXPECT_TRUE(desktop.panels().onScreen().empty());
    app->settings().set("notch.onNotchlessDisplays", true);
    EXPECT_TRUE(NotchGeometry::drawsWithoutNotch());
}

TEST_F(AppDelegateTest, FeatureKeyCaptionsReplaceTheStripCaption) {
    launch();
    auto& keyboard = desktop.keyboard();
    keyboard.keyDown(*sim::SimKeyboard::keyCode("rcmd"));
    keyboard.keyDown(*sim::SimKeyboard::keyCode("ropt"));
    desktop.advanceBy(0.3);
    keyboard.press(*sim::SimKeyboard::keyCode("1"));
    desktop.runUntilIdle();
    EXPECT_EQ(app->leaderHintCaption(), "Profile 1 already active");
    keyboard.press(*sim::SimKeyboard::keyCode("2"));
    desktop.runUntilIdle();
    EXPECT_EQ(app->leaderHintCaption(), "Switched to Profile 2");
}

TEST_F(AppDelegateTest, HandlersDoNothingOnceTheApplicationIsGone) {
    preset("snap.isEnabled", true);
    preset("diagnostics.logging", true);
    launch();
    app.reset();
    const auto lines = desktop.systemLog().lines().size();
    int notices = 0;
    desktop.notices().onPost = [&notices](const sim::SimNotice&) { ++notices; };
    desktop.permissions().changeAccessibility(false);
    desktop.workspace().wake();
    desktop.screens().setScreens({});
    desktop.defaults().standard().set("snap.isEnabled", false);
    desktop.advanceBy(10);  // must not touch the destroyed application
    EXPECT_EQ(desktop.systemLog().lines().size(), lines);
    EXPECT_EQ(notices, 0);
    EXPECT_TRUE(desktop.panels().onScreen().empty());
    EXPECT_TRUE(probe(SettingsPane::snap).isActive());  // nothing reconciled it away
}

}  // namespace
}  // namespace tarnlet
