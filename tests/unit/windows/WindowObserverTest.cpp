#include <gtest/gtest.h>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "support/TestEnvironment.h"
#include "windows/WindowObserver.h"

namespace tarnlet {
namespace {

using sim::SimApplications;
using Strings = std::vector<std::string>;

class WindowObserverTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_logDirectory = FileLog::directory();
        FileLog::setDirectory(m_env.home() / "Logs");
        Log::setSystemLog(&desktop().systemLog());
        Log::setDebugEnabled(true);
        pid = apps().launch("com.example.editor", "Editor");
    }
    void TearDown() override {
        observer.reset();
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
        FileLog::setDirectory(m_logDirectory);
    }

    sim::SimDesktop& desktop() { return m_env.desktop(); }
    SimApplications& apps() { return desktop().applications(); }
    void start(SweepStrategy strategy, Strings extra = {}) {
        observer = std::make_unique<WindowObserver>(apps(), desktop().queue(), pid, strategy, std::move(extra));
        observer->onWindowsChanged = [this] { ++changes; };
        observer->attemptStart();
    }
    AXElement open(const std::string& title) { return apps().addWindow(pid, {title, Rect(100, 100, 400, 300)}); }
    // The system log's lines of one level.
    Strings lines(bool errors) {
        Strings result;
        for (const auto& line : m_env.desktop().systemLog().lines())
            if (line.error == errors) result.push_back(line.text);
        return result;
    }

    test::TestEnvironment m_env;
    std::filesystem::path m_logDirectory;
    int pid = 0;
    int changes = 0;
    std::unique_ptr<WindowObserver> observer;
};

TEST_F(WindowObserverTest, EfficientStrategyHearsTheClosingOfWindowsOpenedBeforeAndAfterStart) {
    const AXElement before = open("Before");
    start(SweepStrategy::efficient);
    ASSERT_TRUE(observer->isObserving());
    EXPECT_EQ(lines(false), Strings{"pid 501: observer active (efficient)"});

    const AXElement after = open("After");
    desktop().runUntilIdle();
    // Created, focus moved, main window moved.
    EXPECT_EQ(changes, 3);
    desktop().systemLog().clear();
    changes = 0;
    apps().closeWindow(after);
    desktop().runUntilIdle();
    EXPECT_EQ(lines(false), (Strings{"pid 501: AX event AXUIElementDestroyed", "pid 501: AX event AXFocusedWindowChanged",
                                     "pid 501: AX event AXMainWindowChanged"}));
    EXPECT_EQ(changes, 3);

    desktop().systemLog().clear();
    apps().closeWindow(before);
    desktop().runUntilIdle();
    EXPECT_TRUE(desktop().systemLog().contains("pid 501: AX event AXUIElementDestroyed"));
}

TEST_F(WindowObserverTest, ThoroughStrategyHearsDestructionThroughTheApplicationAndExtraTriggers) {
    const AXElement window = open("Doc");
    start(SweepStrategy::thorough, {"AXWindowMiniaturized"});
    EXPECT_EQ(lines(false), Strings{"pid 501: observer active (thorough)"});
    // Nothing is registered on the window itself.
    for (const auto& [element, name] : apps().registrations(pid)) EXPECT_EQ(element, apps().createApplication(pid));
    EXPECT_EQ(apps().registrations(pid).size(), 5u);

    apps().setMinimized(window, true);
    desktop().runUntilIdle();
    EXPECT_TRUE(desktop().systemLog().contains("pid 501: AX event AXWindowMiniaturized"));
    changes = 0;
    apps().closeWindow(window);
    desktop().runUntilIdle();
    EXPECT_TRUE(desktop().systemLog().contains("pid 501: AX event AXUIElementDestroyed"));
    EXPECT_GE(changes, 1);
}

TEST_F(WindowObserverTest, StartingAgainReplacesTheObserverSoEventsAreHeardOnce) {
    start(SweepStrategy::efficient);
    observer->attemptStart();
    EXPECT_EQ(apps().observerCount(pid), 1u);
    open("Doc");
    desktop().runUntilIdle();
    EXPECT_EQ(changes, 3);
}

TEST_F(WindowObserverTest, FailedRegistrationsAreLoggedWithTheirCodeButOneSuccessIsEnough) {
    apps().setNotificationUnsupported(pid, "AXMainWindowChanged");
    apps().setNotificationUnsupported(pid, "AXUIElementDestroyed");
    start(SweepStrategy::thorough);
    EXPECT_EQ(lines(false), (Strings{"pid 501: AXUIElementDestroyed failed (-25207)",
                                     "pid 501: AXMainWindowChanged failed (-25207)",
                                     "pid 501: observer active (thorough)"}));
    EXPECT_TRUE(observer->isObserving());
}

TEST_F(WindowObserverTest, AnInaccessibleApplicationIsRetriedOnTheLadderThenGivenUp) {
    apps().setAccessible(pid, false);
    start(SweepStrategy::efficient);
    EXPECT_FALSE(observer->isObserving());
    const double started = desktop().queue().now();
    std::vector<double> attempts;
    for (int i = 0; i < 200; ++i) {
        const std::size_t before = lines(false).size();
        desktop().advanceBy(0.5);
        if (lines(false).size() != before) attempts.push_back(desktop().queue().now() - started);
    }
    // Each attempt logs its four failures and then the retry line.
    const std::vector<double> expected{0.5, 1.5, 3.5, 7.5, 15.5, 31.5, 61.5};
    EXPECT_EQ(attempts, expected);
    EXPECT_EQ(lines(false).back(), "pid 501: AX not ready (efficient), retrying");
    EXPECT_TRUE(desktop().systemLog().contains("pid 501: AXWindowCreated failed (-25204)"));
    EXPECT_EQ(lines(true), Strings{"Giving up on pid 501 until its next activation: app not accessible"});
    EXPECT_FALSE(observer->hasPendingRetry());

    // The next activation starts a fresh ladder; this time the application answers.
    apps().setAccessible(pid, true);
    observer->resetRetries();
    observer->attemptStart();
    EXPECT_TRUE(observer->isObserving());
}

TEST_F(WindowObserverTest, AnApplicationThatBecomesAccessibleIsObservedAtTheNextRung) {
    apps().setAccessibleAfter(pid, 2.5);
    start(SweepStrategy::efficient);
    desktop().advanceBy(3.4);  // attempts at 0.5 and 1.5 fail
    EXPECT_FALSE(observer->isObserving());
    EXPECT_TRUE(observer->hasPendingRetry());
    desktop().advanceBy(0.1);  // the attempt at 3.5 succeeds
    EXPECT_TRUE(observer->isObserving());
    EXPECT_FALSE(observer->hasPendingRetry());
    EXPECT_EQ(observer->retryAttempt(), 3);
    EXPECT_TRUE(lines(true).empty());
}

TEST_F(WindowObserverTest, InvalidateStopsRetriesAndEventsIncludingOnesAlreadyQueued) {
    apps().setAccessible(pid, false);
    start(SweepStrategy::efficient);
    observer->invalidate();
    apps().setAccessible(pid, true);
    desktop().advanceBy(120);
    EXPECT_FALSE(observer->isObserving());

    observer->attemptStart();
    observer->onWindowsChanged = [this] { ++changes; };
    open("Doc");  // queued, not yet delivered
    observer->invalidate();
    desktop().runUntilIdle();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(apps().observerCount(pid), 0u);
}

TEST_F(WindowObserverTest, ACallbackMayInvalidateItsOwnObserver) {
    start(SweepStrategy::efficient);
    observer->onWindowsChanged = [this] {
        ++changes;
        observer->invalidate();
    };
    open("Doc");
    desktop().runUntilIdle();
    EXPECT_EQ(changes, 1);
}

TEST(SweepStrategyNames, NamesRoundTripAndOtherTextIsRejected) {
    for (const SweepStrategy s : {SweepStrategy::efficient, SweepStrategy::thorough})
        EXPECT_EQ(parseSweepStrategy(sweepStrategyName(s)), s);
    EXPECT_EQ(sweepStrategyName(SweepStrategy::thorough), "thorough");
    EXPECT_EQ(parseSweepStrategy("Thorough"), std::nullopt);
    EXPECT_EQ(parseSweepStrategy(""), std::nullopt);
}

}  // namespace
}  // namespace tarnlet
