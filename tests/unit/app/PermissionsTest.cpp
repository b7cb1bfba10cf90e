#include <gtest/gtest.h>

#include "app/AutomationPermission.h"
#include "app/NotificationPermission.h"
#include "app/ScreenRecordingPermission.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

TEST(ScreenRecordingPermission, TheLaunchSnapshotIsTakenOnce) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    ScreenRecordingPermission permission(desktop.permissions(), desktop.workspace());
    desktop.permissions().setScreenCapture(false);
    permission.takeSnapshot();
    desktop.permissions().setScreenCapture(true);
    permission.takeSnapshot();
    EXPECT_TRUE(permission.didSnapshot());
    EXPECT_FALSE(permission.grantedAtLaunch());  // a grant after launch needs a relaunch
    EXPECT_TRUE(permission.isGrantedNow());
    permission.openSystemSettings();
    EXPECT_EQ(desktop.workspace().openedURLs().back(),
              "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture");
}

TEST(ScreenRecordingPermission, RelaunchQuitsOnlyOnceTheNewInstanceIsUp) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    ScreenRecordingPermission permission(desktop.permissions(), desktop.workspace());
    desktop.workspace().setCanLaunchNewInstance(false);
    permission.relaunch();
    desktop.runUntilIdle();
    EXPECT_EQ(desktop.workspace().terminateCount(), 0);  // a failed relaunch keeps this process

    desktop.workspace().setCanLaunchNewInstance(true);
    permission.relaunch();
    EXPECT_EQ(desktop.workspace().terminateCount(), 0);  // not before the launch completed
    desktop.runUntilIdle();
    EXPECT_EQ(desktop.workspace().newInstanceCount(), 1);
    EXPECT_EQ(desktop.workspace().terminateCount(), 1);
}

TEST(AutomationPermission, TheAnswerComesBackOnTheMainQueue) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    desktop.permissions().setAutomationAnswer(AutomationStatus::denied);
    AutomationPermission permission(desktop.permissions(), desktop.taskQueues(), desktop.workspace());
    std::optional<AutomationStatus> answer;
    permission.request([&](AutomationStatus status) { answer = status; });
    EXPECT_FALSE(answer);  // the query runs in the background
    desktop.runUntilIdle();
    EXPECT_EQ(answer, AutomationStatus::denied);
}

TEST(AutomationPermission, NoAnswerReachesADeadRequester) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto permission = std::make_unique<AutomationPermission>(desktop.permissions(), desktop.taskQueues(),
                                                             desktop.workspace());
    bool called = false;
    permission->request([&](AutomationStatus) { called = true; });
    permission.reset();
    desktop.runUntilIdle();
    EXPECT_FALSE(called);
}

TEST(NotificationPermission, StatusFollowsTheUsersAnswer) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    NotificationPermission permission(desktop.notices(), desktop.queue(), desktop.workspace());
    std::vector<NotificationPermission::Status> seen;
    auto record = [&](NotificationPermission::Status s) { seen.push_back(s); };
    permission.status(record);
    desktop.notices().setUserAllows(false);
    std::optional<bool> granted;
    permission.request([&](bool g) { granted = g; });
    permission.status(record);
    EXPECT_TRUE(seen.empty());  // answers arrive on the main queue
    desktop.runUntilIdle();
    EXPECT_EQ(seen, (std::vector{NotificationPermission::Status::notDetermined, NotificationPermission::Status::denied}));
    EXPECT_EQ(granted, false);
}

}  // namespace
}  // namespace tarnlet
