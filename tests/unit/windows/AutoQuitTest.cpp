#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "diagnostics/Log.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"
#include "windows/AutoQuitFeature.h"
#include "windows/QuitPolicy.h"

namespace tarnlet {
namespace {

class AutoQuitTest : public ::testing::Test {
protected:
    void SetUp() override {
        Log::setSystemLog(&desktop.systemLog());
        finder = apps.launch("com.apple.finder", "Finder");
        mail = apps.launch("com.apple.mail", "Mail");
        notes = apps.launch("com.apple.Notes", "Notes");
        desktop.workspace().activateApplication(mail);
        desktop.runUntilIdle();
    }
    void TearDown() override { Log::setSystemLog(nullptr); }
    bool running(int pid) { return desktop.workspace().runningApplication(pid).has_value(); }
    void front(int pid) {
        desktop.workspace().activateApplication(pid);
        desktop.runUntilIdle();
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    sim::SimApplications& apps = desktop.applications();
    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    AutoQuitFeature autoQuit{settings, desktop.workspace(), desktop.queue(), sim::SimSystemFacts::kProcessIdentifier};
    int finder = 0, mail = 0, notes = 0;
};

TEST_F(AutoQuitTest, NothingIsQuitWithTheDefaultEmptyList) {
    autoQuit.activate();
    front(notes);
    desktop.advanceBy(3600);
    EXPECT_TRUE(running(mail));
    EXPECT_TRUE(running(finder));
    EXPECT_TRUE(desktop.workspace().terminateRequests().empty());
}

TEST_F(AutoQuitTest, ListedApplicationIsQuitAfterItsMinutesInTheBackground) {
    settings.set("autoQuit.apps", Value::array({"com.apple.mail", "com.apple.finder"}));
    settings.set("autoQuit.minutes", 0);  // counts as one minute
    autoQuit.activate();
    front(notes);
    desktop.advanceBy(59);
    EXPECT_TRUE(running(mail));
    desktop.advanceBy(2);
    EXPECT_FALSE(running(mail));
    EXPECT_TRUE(running(finder));  // never, whatever the list says
    EXPECT_TRUE(desktop.systemLog().contains("AutoQuit: quitting Mail after 1m idle"));
}

TEST_F(AutoQuitTest, ComingBackCancelsAndTheFrontIsNeverQuit) {
    settings.set("autoQuit.apps", Value::array({"com.apple.mail", "com.apple.Notes"}));
    autoQuit.activate();
    front(notes);
    desktop.advanceBy(10 * 60);
    front(mail);  // back within the quarter of an hour
    EXPECT_FALSE(autoQuit.hasTimer(mail));
    desktop.advanceBy(14 * 60);
    EXPECT_TRUE(running(mail));
    EXPECT_TRUE(running(notes));  // Notes' own quarter has not run out yet
    desktop.advanceBy(2 * 60);
    EXPECT_FALSE(running(notes));

    // A timer that fires while its application is in front again (put there without a
    // notification) asks nothing.
    const int pages = apps.launch("com.apple.iWork.Pages", "Pages");
    settings.set("autoQuit.apps", Value::array({"com.apple.mail", "com.apple.iWork.Pages"}));
    autoQuit.applySettings();
    desktop.runUntilIdle();
    EXPECT_TRUE(autoQuit.hasTimer(pages));
    desktop.workspace().setFrontmostApplicationPID(pages);
    desktop.advanceBy(16 * 60);
    EXPECT_TRUE(running(pages));
}

TEST_F(AutoQuitTest, SettingsChangesKeepDeadlinesAndDropWhatTheRuleNoLongerAllows) {
    settings.set("autoQuit.apps", Value::array({"com.apple.mail"}));
    autoQuit.activate();
    front(notes);
    desktop.advanceBy(5 * 60);
    settings.set("autoQuit.minutes", 60);
    autoQuit.applySettings();
    desktop.advanceBy(10 * 60 + 1);
    EXPECT_FALSE(running(mail));  // its first deadline held

    // Every application but the listed ones.
    const int pages = apps.launch("com.apple.iWork.Pages", "Pages");
    settings.set("autoQuit.listMode", "excludeListed");
    settings.set("autoQuit.excludedApps", Value::array({"com.apple.iWork.Pages"}));
    autoQuit.applySettings();
    desktop.runUntilIdle();
    EXPECT_FALSE(autoQuit.hasTimer(pages));
    EXPECT_FALSE(autoQuit.hasTimer(finder));
    EXPECT_FALSE(autoQuit.hasTimer(notes));  // in front

    // A background agent is never timed, and a refused quit leaves the application running.
    const int agent = apps.launch("com.example.agent", "Agent");
    desktop.workspace().setActivationPolicy(agent, ActivationPolicy::accessory);
    const int editor = apps.launch("com.example.editor", "Editor");
    desktop.workspace().setRefusesToQuit(editor, true);
    autoQuit.applySettings();
    EXPECT_FALSE(autoQuit.hasTimer(agent));
    desktop.advanceBy(60 * 60 + 1);
    EXPECT_TRUE(running(editor));
    EXPECT_TRUE(running(agent));

    autoQuit.deactivate();
    EXPECT_FALSE(autoQuit.hasTimer(editor));
}

TEST(QuitPolicyTest, ListModes) {
    EXPECT_TRUE(QuitPolicy::listAllows("a", {"a"}, false));
    EXPECT_FALSE(QuitPolicy::listAllows("b", {"a"}, false));
    EXPECT_FALSE(QuitPolicy::listAllows("a", {"a"}, true));
    EXPECT_TRUE(QuitPolicy::listAllows("b", {}, true));
    RunningApplication app;
    app.pid = 7;
    EXPECT_FALSE(QuitPolicy::mayQuit(app, 1, {}, true));  // no bundle identifier
    app.bundleIdentifier = "com.example.x";
    EXPECT_TRUE(QuitPolicy::mayQuit(app, 1, {}, true));
    EXPECT_FALSE(QuitPolicy::mayQuit(app, 7, {}, true));  // this process
}

}  // namespace
}  // namespace tarnlet
