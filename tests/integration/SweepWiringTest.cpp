// Sweep and Auto-Quit inside the whole application: the quit chip, and a count that fails because
// the permission went quietly.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "notch/NotchBarView.h"
#include "support/AppFixture.h"
#include "app/tools/SweepTool.h"

namespace tarnlet {
namespace {

class SweepWiringTest : public test::AppFixture {
protected:
    SweepWiringTest() : AppFixture({SettingsPane::sweep, SettingsPane::autoQuit}) {
        desktop.defaults().standard().set("sweep.isEnabled", true);
        pid = desktop.applications().launch("com.apple.Preview", "Preview");
    }
    void launch() {
        start();
        desktop.advanceBy(3);
    }
    AXElement open() {
        auto w = desktop.applications().addWindow(pid, {"a.pdf", Rect(100, 100, 400, 300)});
        desktop.advanceBy(2.5);
        return w;
    }

    int pid = 0;
};

TEST_F(SweepWiringTest, QuitChipNamesTheApplication) {
    desktop.defaults().standard().set("sweep.quitChips", true);
    launch();
    ASSERT_TRUE(app->tool<SweepTool>().sweep().isActive());
    const AXElement w = open();
    desktop.applications().closeWindow(w);
    desktop.advanceBy(2.1);
    EXPECT_FALSE(desktop.workspace().runningApplication(pid));
    auto bar = app->notch().controller().chipBar();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->content().caption, "Preview");
}

TEST_F(SweepWiringTest, ACountThatFailsForWantOfThePermissionStopsTheBoundTools) {
    launch();
    const AXElement w = open();
    // The grant goes without the system's broadcast; Sweep's next count is the first to notice.
    desktop.permissions().setAccessibilityTrusted(false);
    desktop.applications().closeWindow(w);
    desktop.advanceBy(2.1);
    EXPECT_TRUE(desktop.workspace().runningApplication(pid));
    EXPECT_FALSE(app->permission().isGranted());
    EXPECT_FALSE(app->tool<SweepTool>().sweep().isActive());
    EXPECT_TRUE(desktop.notices().isDelivered("accessibility-lost"));
}

}  // namespace
}  // namespace tarnlet
