#include "app/AccessibilityPermission.h"

#include <gtest/gtest.h>

#include "diagnostics/Log.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class AccessibilityPermissionTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    std::vector<bool> changes;

    std::unique_ptr<AccessibilityPermission> make(bool trusted) {
        desktop.permissions().setAccessibilityTrusted(trusted);
        auto permission = std::make_unique<AccessibilityPermission>(desktop.permissions(), desktop.queue(),
                                                                    desktop.workspace());
        permission->onChange = [this](bool granted) { changes.push_back(granted); };
        return permission;
    }
};

TEST_F(AccessibilityPermissionTest, SeedsWithTheSystemGrant) {
    EXPECT_TRUE(make(true)->isGranted());
    EXPECT_FALSE(make(false)->isGranted());
    EXPECT_TRUE(changes.empty());
}

TEST_F(AccessibilityPermissionTest, AGrantThatLandsLateIsSeenByALaterRecheck) {
    auto permission = make(false);
    permission->startMonitoring();
    // The system broadcasts now but updates the grant only after a second.
    desktop.permissions().changeAccessibility(true, 1.0);
    desktop.advanceBy(0.35);  // the 0.3 s re-check still reads the old grant
    EXPECT_FALSE(permission->isGranted());
    EXPECT_TRUE(changes.empty());
    desktop.advanceBy(1.2);  // the 1.5 s re-check sees it
    EXPECT_TRUE(permission->isGranted());
    desktop.advanceBy(5);
    EXPECT_EQ(changes, std::vector<bool>{true});
}

TEST_F(AccessibilityPermissionTest, AGrantThatLandsAfterAllRechecksIsMissed) {
    // The re-checks stop after 4 s; a slower system is picked up by the next broadcast only.
    auto permission = make(false);
    permission->startMonitoring();
    desktop.permissions().changeAccessibility(true, 4.5);
    desktop.advanceBy(10);
    EXPECT_FALSE(permission->isGranted());
    desktop.permissions().changeAccessibility(true, 0.0);
    desktop.advanceBy(0.5);
    EXPECT_EQ(changes, std::vector<bool>{true});
}

TEST_F(AccessibilityPermissionTest, TwoBroadcastsScheduleSixRechecksButReportOneChange) {
    auto permission = make(true);
    permission->startMonitoring();
    desktop.permissions().changeAccessibility(false, 0.1);
    desktop.advanceBy(0.05);
    desktop.permissions().changeAccessibility(false, 0.1);
    desktop.runUntilIdle();
    EXPECT_EQ(desktop.queue().pendingCount(), 6u + 2u);  // six re-checks and the two grant updates
    desktop.advanceBy(10);
    EXPECT_EQ(changes, std::vector<bool>{false});
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);
}

TEST_F(AccessibilityPermissionTest, RechecksWithoutMonitoringDoNothing) {
    auto permission = make(false);
    desktop.permissions().changeAccessibility(true, 0.0);
    desktop.advanceBy(10);
    EXPECT_FALSE(permission->isGranted());
}

TEST_F(AccessibilityPermissionTest, PendingRechecksDieWithThePermission) {
    auto permission = make(false);
    permission->startMonitoring();
    desktop.permissions().changeAccessibility(true, 0.0);
    desktop.runUntilIdle();
    permission.reset();
    desktop.advanceBy(10);  // must not touch the destroyed object
    EXPECT_TRUE(changes.empty());
}

TEST_F(AccessibilityPermissionTest, RequestAccessPromptsAndAppliesTheAnswer) {
    auto permission = make(false);
    permission->requestAccess();
    EXPECT_EQ(desktop.permissions().accessibilityPromptCount(), 1);
    EXPECT_TRUE(changes.empty());
    desktop.permissions().setAccessibilityTrusted(true);
    permission->requestAccess();
    EXPECT_EQ(changes, std::vector<bool>{true});
}

TEST_F(AccessibilityPermissionTest, PromptOnceOpensTheSettingsPageOncePerProcess) {
    auto permission = make(false);
    permission->promptOnce();
    permission->promptOnce();
    EXPECT_EQ(desktop.permissions().accessibilityPromptCount(), 2);
    ASSERT_EQ(desktop.workspace().openedURLs().size(), 1u);
    EXPECT_EQ(desktop.workspace().openedURLs()[0],
              "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");
    EXPECT_TRUE(permission->didOpenSettings());

    auto granted = make(true);
    granted->promptOnce();
    EXPECT_EQ(desktop.workspace().openedURLs().size(), 1u);
}

TEST_F(AccessibilityPermissionTest, ChangesAreLoggedWhenDiagnosticsAreOn) {
    Log::setSystemLog(&desktop.systemLog());
    Log::setDebugEnabled(true);
    auto permission = make(false);
    permission->apply(true);
    permission->apply(true);
    Log::setDebugEnabled(false);
    Log::setSystemLog(nullptr);
    ASSERT_EQ(desktop.systemLog().lines().size(), 1u);
    EXPECT_EQ(desktop.systemLog().lines()[0].text, "Accessibility permission changed: true");
}

}  // namespace
}  // namespace tarnlet
