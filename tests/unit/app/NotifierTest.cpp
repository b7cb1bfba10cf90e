#include "app/Notifier.h"

#include <gtest/gtest.h>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class NotifierTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    Notifier notifier{desktop.notices(), desktop.queue(), desktop.systemFacts()};
};

TEST_F(NotifierTest, ARepostReplacesTheNoticeWithTheSameIdentifier) {
    notifier.post("accessibility-lost", "first", "body");
    notifier.post("accessibility-lost", "second", "body");
    EXPECT_EQ(desktop.notices().delivered().size(), 1u);
    EXPECT_EQ(desktop.notices().delivered().at("accessibility-lost").title, "second");
}

TEST_F(NotifierTest, NothingIsPostedOutsideABundle) {
    desktop.systemFacts().setBundleIdentifier(std::nullopt);
    notifier.post("x", "t", "b");
    notifier.postTransient("y", "t", "b", 30);
    EXPECT_TRUE(desktop.notices().delivered().empty());
    EXPECT_EQ(desktop.queue().pendingCount(), 0u);
}

TEST_F(NotifierTest, ADeniedPermissionDropsPostsSilently) {
    desktop.notices().setUserAllows(false);
    notifier.post("x", "t", "b");
    EXPECT_TRUE(desktop.notices().delivered().empty());
    EXPECT_TRUE(desktop.systemLog().lines().empty());
}

TEST_F(NotifierTest, AnAuthorisationErrorGoesToTheSystemLogOnly) {
    Log::setSystemLog(&desktop.systemLog());
    FileLog::setDirectory(desktop.folders().logs());
    desktop.notices().setAuthorizationError("The operation couldn’t be completed.");
    notifier.post("x", "t", "b");
    Log::setSystemLog(nullptr);
    ASSERT_EQ(desktop.systemLog().lines().size(), 1u);
    EXPECT_TRUE(desktop.systemLog().lines()[0].error);
    EXPECT_EQ(desktop.systemLog().lines()[0].text,
              "Notification authorization failed: The operation couldn’t be completed.");
    EXPECT_FALSE(std::filesystem::exists(FileLog::fileURL()));
}

TEST_F(NotifierTest, ATransientNoticeIsWithdrawnAfterItsLifetime) {
    notifier.postTransient("awake-ended", "Keep-awake session ended",
                           "The timed session finished; the Mac may sleep now.", 30);
    desktop.advanceBy(29.9);
    EXPECT_TRUE(desktop.notices().isDelivered("awake-ended"));
    desktop.advanceBy(0.2);
    EXPECT_FALSE(desktop.notices().isDelivered("awake-ended"));
}

TEST_F(NotifierTest, ARepostIsNotWithdrawnByTheEarlierTimer) {
    notifier.postTransient("awake-ended", "t", "b", 30);
    desktop.advanceBy(20);
    notifier.postTransient("awake-ended", "t", "b", 30);
    desktop.advanceBy(15);  // 35 s after the first post
    EXPECT_TRUE(desktop.notices().isDelivered("awake-ended"));
    desktop.advanceBy(16);
    EXPECT_FALSE(desktop.notices().isDelivered("awake-ended"));

    // A plain post of the same identifier stays until replaced.
    notifier.postTransient("n", "t", "b", 5);
    notifier.post("n", "t", "b");
    desktop.advanceBy(60);
    EXPECT_TRUE(desktop.notices().isDelivered("n"));
}

TEST_F(NotifierTest, PendingWithdrawalsDieWithTheNotifier) {
    auto local = std::make_unique<Notifier>(desktop.notices(), desktop.queue(), desktop.systemFacts());
    local->postTransient("n", "t", "b", 5);
    local.reset();
    desktop.advanceBy(10);
    EXPECT_TRUE(desktop.notices().isDelivered("n"));
}

}  // namespace
}  // namespace tarnlet
