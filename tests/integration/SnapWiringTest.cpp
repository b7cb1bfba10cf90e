// Snap inside the whole application: its chord's hints at the notch, the pulse of a shortcut, and
// what its stopping may take down.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "notch/NotchBarView.h"
#include "support/AppFixture.h"
#include "app/tools/SnapTool.h"

namespace tarnlet {
namespace {

class SnapWiringTest : public test::AppFixture {
protected:
    SnapWiringTest() : AppFixture({SettingsPane::snap}) {
        desktop.permissions().setAccessibilityTrusted(true);
        desktop.defaults().standard().set("snap.isEnabled", true);
        pid = desktop.applications().launch("com.example.editor", "Editor");
        desktop.workspace().setFrontmostApplicationPID(pid);
        desktop.applications().addWindow(pid, {"Notes", Rect(300, 200, 400, 300)});
    }
    void launch() {
        start();
        desktop.advanceBy(3);  // the "On" chip of the first reconcile is gone
    }
    void down(const char* key) {
        desktop.keyboard().keyDown(*sim::SimKeyboard::keyCode(key));
        desktop.runUntilIdle();
    }
    void up(const char* key) {
        desktop.keyboard().keyUp(*sim::SimKeyboard::keyCode(key));
        desktop.runUntilIdle();
    }
    void holdChord() {
        down("ctrl");
        down("opt");
        desktop.advanceBy(0.25);
    }
    std::shared_ptr<NotchBarView> hints() { return app->notch().controller().hintBar(); }

    int pid = 0;
};

TEST_F(SnapWiringTest, HeldChordShowsBothHintRowsUntilReleased) {
    launch();
    ASSERT_TRUE(app->tool<SnapTool>().snap().isActive());
    holdChord();
    ASSERT_TRUE(hints());
    EXPECT_EQ(hints()->content().caption, "snap · release to place");
    EXPECT_EQ(hints()->content().left.size(), 5u);
    EXPECT_EQ(hints()->content().right.size(), 6u);
    EXPECT_TRUE(app->tool<SnapTool>().snap().mouseSnap().isRunning());

    // A shortcut pressed meanwhile snaps, pulses its key in the strip and ends the dial.
    desktop.keyboard().press(*sim::SimKeyboard::keyCode("u"));
    desktop.runUntilIdle();
    EXPECT_TRUE(hints()->isPulsing());
    EXPECT_FALSE(app->tool<SnapTool>().snap().mouseSnap().isRunning());
    EXPECT_EQ(desktop.applications().windowFrame(*desktop.applications().focusedWindow(pid))->minX(), 0);

    up("opt");
    desktop.advanceBy(1);
    EXPECT_FALSE(hints());
}

TEST_F(SnapWiringTest, UnsupportedWindowShowsTheNoticeUnlessHintsAreOff) {
    desktop.applications().addWindow(pid, {"Palette", Rect(300, 600, 200, 100), "AXStandardWindow", {}, false});
    launch();
    holdChord();
    ASSERT_TRUE(hints());
    EXPECT_EQ(hints()->content().caption, "Snap: window not supported");
    up("opt");
    desktop.advanceBy(1);
    EXPECT_FALSE(hints());

    app->settings().set("notch.snapHints", false);
    app->reconcile();
    desktop.advanceBy(3);
    holdChord();
    EXPECT_FALSE(hints());
}

TEST_F(SnapWiringTest, WithoutKeyboardShortcutsTheDialRunsWithoutHints) {
    desktop.defaults().standard().set("snap.keyboardShortcuts", false);
    launch();
    holdChord();
    EXPECT_FALSE(hints());
    EXPECT_TRUE(app->tool<SnapTool>().snap().mouseSnap().isRunning());
}

TEST_F(SnapWiringTest, SnapStoppingLeavesAnotherStripUp) {
    // Profile two has Snap off: switching to it from the feature strip stops Snap, and the strip
    // that did it stays up with its caption.
    launch();
    down("rcmd");
    down("ropt");
    desktop.advanceBy(0.3);
    desktop.keyboard().press(*sim::SimKeyboard::keyCode("2"));
    desktop.runUntilIdle();
    EXPECT_FALSE(app->tool<SnapTool>().snap().isActive());
    EXPECT_EQ(app->leaderHintCaption(), "Switched to Profile 2");
}

}  // namespace
}  // namespace tarnlet
