#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"
#include "windows/SweepEngine.h"
#include "windows/WindowSpaces.h"

namespace tarnlet {
namespace {

class SweepEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_logDirectory = FileLog::directory();
        FileLog::setDirectory(env.home() / "Logs");
        Log::setSystemLog(&desktop.systemLog());
        Log::setDebugEnabled(true);
        finder = apps.launch("com.apple.finder", "Finder");
        preview = apps.launch("com.apple.Preview", "Preview");
        sweep.onAccessibilityFailure = [this] { ++failures; };
        sweep.onAppQuit = [this](const std::string& name, const std::optional<Image>&) { quits.push_back(name); };
    }
    void TearDown() override {
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
        FileLog::setDirectory(m_logDirectory);
    }
    AXElement open(int pid, const std::string& title) {
        auto w = apps.addWindow(pid, {title, Rect(100, 100, 500, 400)});
        desktop.runUntilIdle();
        return w;
    }
    void close(const AXElement& w) {
        apps.closeWindow(w);
        desktop.runUntilIdle();
    }
    bool running(int pid) { return desktop.workspace().runningApplication(pid).has_value(); }
    bool logged(const std::string& text) { return desktop.systemLog().contains(text); }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    sim::SimApplications& apps = desktop.applications();
    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    WindowSpaces spaces{desktop.windowServer()};
    SweepEngine sweep{settings,
                      SweepEngine::Services{desktop.workspace(), apps, desktop.windowServer(), spaces, desktop.queue(),
                                            desktop.taskQueues(), sim::SimSystemFacts::kProcessIdentifier}};
    int finder = 0, preview = 0;
    int failures = 0;
    std::vector<std::string> quits;
    std::filesystem::path m_logDirectory;
};

TEST_F(SweepEngineTest, LastWindowClosedQuitsAfterTheDelayUnlessAnotherOpens) {
    sweep.activate();
    EXPECT_TRUE(logged("Sweep activated (efficient), watching 1 apps"));
    EXPECT_FALSE(sweep.isWatched(finder));
    const AXElement first = open(preview, "a.pdf");
    desktop.advanceBy(2.5);  // the window is seen
    close(first);
    desktop.advanceBy(1.5);
    const AXElement second = open(preview, "b.pdf");  // restarts the delay; the count finds it
    desktop.advanceBy(2.5);
    EXPECT_TRUE(running(preview));
    close(second);
    desktop.advanceBy(1.9);
    EXPECT_TRUE(running(preview));
    desktop.advanceBy(0.2);
    EXPECT_FALSE(running(preview));
    EXPECT_EQ(quits, std::vector<std::string>{"Preview"});
    EXPECT_TRUE(logged("Check Preview: ax=0 other=0 onscreen=0"));
    EXPECT_TRUE(logged("Quitting Preview (com.apple.Preview)"));
}

TEST_F(SweepEngineTest, AWindowOpenBeforeWatchingBeganCountsAsShown) {
    const AXElement w = open(preview, "a.pdf");
    sweep.activate();
    desktop.runUntilIdle();
    ASSERT_TRUE(sweep.watched(preview));
    EXPECT_TRUE(sweep.watched(preview)->hasHadWindow);
    close(w);
    desktop.advanceBy(2.1);
    EXPECT_FALSE(running(preview));
    EXPECT_EQ(quits, std::vector<std::string>{"Preview"});
}

TEST_F(SweepEngineTest, ActivationCancelsAndSomeApplicationsAreNeverQuit) {
    const int agent = apps.launch("com.example.menulet", "Menulet");
    const int never = apps.launch("com.example.empty", "Empty");
    sweep.activate();
    const AXElement w = open(preview, "a.pdf");
    const AXElement a = open(agent, "Prefs");
    desktop.advanceBy(2.5);
    close(w);
    desktop.advanceBy(1);
    desktop.workspace().activateApplication(preview);  // the user is back in it
    desktop.runUntilIdle();
    EXPECT_FALSE(sweep.hasPendingCheck(preview));
    desktop.advanceBy(5);
    EXPECT_TRUE(running(preview));

    // It turns into a background agent as its window closes.
    desktop.workspace().setActivationPolicy(agent, ActivationPolicy::accessory);
    close(a);
    desktop.advanceBy(3);
    EXPECT_TRUE(running(agent));

    // Never showed a window: never quit, however often it is checked.
    desktop.workspace().activateApplication(never);
    desktop.runUntilIdle();
    desktop.advanceBy(5);
    EXPECT_TRUE(running(never));

    // Hidden with no windows: left alone.
    const AXElement p = open(preview, "c.pdf");
    desktop.advanceBy(2.5);
    desktop.workspace().hide(preview);
    close(p);
    desktop.advanceBy(3);
    EXPECT_TRUE(running(preview));
    EXPECT_TRUE(quits.empty());
}

TEST_F(SweepEngineTest, ListModesDecideWhoIsWatched) {
    settings.set("sweep.listMode", "onlyListed");
    sweep.activate();
    EXPECT_FALSE(sweep.isWatched(preview));  // an empty list watches nothing
    settings.set("sweep.onlyListedApps", Value::array({"com.apple.Preview", "com.apple.finder"}));
    sweep.syncWatchList();
    EXPECT_TRUE(sweep.isWatched(preview));
    EXPECT_FALSE(sweep.isWatched(finder));
    settings.set("sweep.listMode", "excludeListed");
    settings.set("sweep.listedApps", Value::array({"com.apple.Preview"}));
    sweep.syncWatchList();
    EXPECT_FALSE(sweep.isWatched(preview));
}

TEST_F(SweepEngineTest, StrategyChangeRebuildsOnce) {
    sweep.activate();
    settings.set("sweep.strategy", "thorough");
    sweep.syncWatchList();
    sweep.syncWatchList();
    EXPECT_EQ(sweep.activeStrategy(), SweepStrategy::thorough);
    int rebuilds = 0;
    for (const auto& line : desktop.systemLog().lines())
        if (line.text == "Sweep strategy → thorough, rebuilding observers") ++rebuilds;
    EXPECT_EQ(rebuilds, 1);
    ASSERT_TRUE(sweep.watched(preview));
    EXPECT_EQ(sweep.watched(preview)->observer->strategy(), SweepStrategy::thorough);
}

TEST_F(SweepEngineTest, AWindowOnAnotherDesktopKeepsTheApplicationWhileDesktopsCanBeAskedAbout) {
    const std::uint64_t other = desktop.windowServer().addSpace();
    sweep.activate();
    const AXElement here = open(preview, "here.pdf");
    const AXElement away = open(preview, "away.pdf");
    apps.setWindowSpaces(away, {other});
    desktop.advanceBy(2.5);
    // The accessibility view sees only this desktop's windows; the far one is counted on its own.
    close(here);
    desktop.advanceBy(3);
    EXPECT_TRUE(running(preview));
}

TEST_F(SweepEngineTest, WithoutDesktopLookupsAWindowElsewhereDoesNotKeepTheApplication) {
    desktop.windowServer().setSpaceInterfaceAvailable(false);
    WindowSpaces blind{desktop.windowServer()};
    SweepEngine engine{settings, SweepEngine::Services{desktop.workspace(), apps, desktop.windowServer(), blind,
                                                       desktop.queue(), desktop.taskQueues(),
                                                       sim::SimSystemFacts::kProcessIdentifier}};
    const std::uint64_t other = desktop.windowServer().addSpace();
    engine.activate();
    const AXElement here = open(preview, "here.pdf");
    const AXElement away = open(preview, "away.pdf");
    apps.setWindowSpaces(away, {other});
    desktop.advanceBy(2.5);
    close(here);
    desktop.advanceBy(3);
    EXPECT_FALSE(running(preview));
    EXPECT_TRUE(logged("Check Preview: ax=0 other=nil onscreen=0"));
}

TEST_F(SweepEngineTest, AnUnreadableCountNeverQuitsAndIsReported) {
    sweep.activate();
    const AXElement w = open(preview, "a.pdf");
    desktop.advanceBy(2.5);
    apps.setResponsive(preview, false);
    close(w);
    desktop.advanceBy(3);
    EXPECT_TRUE(running(preview));
    EXPECT_GE(failures, 1);
    EXPECT_TRUE(logged("Check Preview: ax=nil other=nil onscreen=nil"));
}

}  // namespace
}  // namespace tarnlet
