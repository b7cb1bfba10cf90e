#include <gtest/gtest.h>

#include <string>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "support/TestEnvironment.h"
#include "windows/WindowSnapper.h"

namespace tarnlet {
namespace {

using test::makeScreen;

// The first screen has a dock and a menu bar, so its visible frame is offset; a third of its width
// is a round 400 points.
const Screen kPrimary = makeScreen(1, Rect(0, 0, 1200, 800), Rect(0, 30, 1200, 746));
const Screen kSecond = makeScreen(2, Rect(1200, 0, 1000, 700), Rect(1200, 0, 1000, 700));
const Screen kThird = makeScreen(3, Rect(2200, 100, 800, 600), Rect(2200, 100, 800, 600));
const Rect kOriginal(100, 100, 500, 400);

class WindowSnapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_logDirectory = FileLog::directory();
        FileLog::setDirectory(env.home() / "Logs");
        Log::setSystemLog(&desktop.systemLog());
        Log::setDebugEnabled(true);
        pid = apps.launch("com.example.editor", "Editor");
        desktop.workspace().setFrontmostApplicationPID(pid);
    }
    void TearDown() override {
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
        FileLog::setDirectory(m_logDirectory);
    }

    // Screens are set before the window opens: positions are measured from the first screen's top.
    AXElement open(Rect frame, std::vector<Screen> screens = {kPrimary}, Size minimumSize = {}, bool settable = true) {
        desktop.screens().setScreens(std::move(screens));
        desktop.runUntilIdle();
        window = apps.addWindow(pid, {"Notes", frame, "AXStandardWindow", minimumSize, settable});
        key = AXWindow(services, window, pid, AXElement()).key();
        return window;
    }
    Rect frame() { return apps.windowFrame(window).value_or(Rect()); }
    // Moves the window as the user would, behind Snap's back.
    void drag(const Rect& to) { AXWindow::focused(services, pid)->setFrame(to); }
    bool logged(const std::string& line) const {
        for (const auto& l : desktop.systemLog().lines())
            if (l.text == line) return true;
        return false;
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    sim::SimApplications& apps = desktop.applications();
    WindowServices services{desktop.applications(), desktop.workspace(), desktop.screens()};
    WindowSnapper snapper{services};
    int pid = 0;
    AXElement window;
    std::uint32_t key = 0;

private:
    std::filesystem::path m_logDirectory;
};

TEST_F(WindowSnapperTest, RepeatedSideRequestsCycleUntilTheWindowIsMoved) {
    open(kOriginal);
    const Rect half(0, 30, 600, 746);
    for (const Rect& expected : {half, Rect(0, 30, 800, 746), Rect(0, 30, 400, 746), half}) {
        snapper.snap(SnapPosition::leftHalf);
        EXPECT_EQ(frame(), expected);
    }
    EXPECT_TRUE(logged("Snap stored restore frame for window " + std::to_string(key)));
    EXPECT_EQ(snapper.restoreFrame(key), kOriginal);

    // Another place never continues the cycle.
    snapper.snap(SnapPosition::rightHalf);
    EXPECT_EQ(frame(), Rect(600, 30, 600, 746));
    // A nudge of one point still counts as untouched; five points start afresh and become the
    // restore target.
    drag(Rect(601, 30, 600, 746));
    snapper.snap(SnapPosition::rightHalf);
    EXPECT_EQ(frame(), Rect(400, 30, 800, 746));
    EXPECT_EQ(snapper.restoreFrame(key), kOriginal);
    const Rect dragged(405, 30, 800, 746);
    drag(dragged);
    snapper.snap(SnapPosition::rightHalf);
    EXPECT_EQ(frame(), Rect(600, 30, 600, 746));
    EXPECT_EQ(snapper.restoreFrame(key), dragged);
}

TEST_F(WindowSnapperTest, RestoreGoesBackToTheFrameBeforeTheFirstSnapAndForgetsTheWindow) {
    open(kOriginal);
    snapper.snap(SnapPosition::leftHalf);
    snapper.snap(SnapPosition::maximize);
    EXPECT_EQ(frame(), kPrimary.visibleFrame);
    snapper.snap(SnapPosition::restore);
    EXPECT_EQ(frame(), kOriginal);
    EXPECT_TRUE(logged("Snap restored window " + std::to_string(key)));
    EXPECT_EQ(snapper.lastSetFrame(key), std::nullopt);
    EXPECT_EQ(snapper.lastApplied(key), std::nullopt);

    drag(Rect(10, 10, 300, 300));
    snapper.snap(SnapPosition::restore);
    EXPECT_EQ(frame(), Rect(10, 10, 300, 300));
    EXPECT_TRUE(logged("Snap restore: nothing stored for window " + std::to_string(key)));
}

TEST_F(WindowSnapperTest, RecordsTheFrameTheWindowReallyAccepted) {
    open(kOriginal, {kPrimary}, Size{700, 200});
    snapper.snap(SnapPosition::leftHalf);
    EXPECT_EQ(snapper.lastSetFrame(key), Rect(0, 30, 700, 746));
    // Compared against the truth the window has not moved, so the cycle continues.
    snapper.snap(SnapPosition::leftHalf);
    EXPECT_EQ(frame(), Rect(0, 30, 800, 746));
}

TEST_F(WindowSnapperTest, IgnoresMissingAndNonResizableWindows) {
    snapper.snap(SnapPosition::leftHalf);
    EXPECT_TRUE(logged("Snap leftHalf: no focused window"));

    open(kOriginal, {kPrimary}, {}, false);
    snapper.snap(SnapPosition::leftHalf);
    EXPECT_EQ(frame(), kOriginal);
    EXPECT_EQ(snapper.restoreFrame(key), std::nullopt);
}

TEST_F(WindowSnapperTest, DisplayMovesKeepTheRelativeFrameAndWrapAround) {
    open(Rect(0, 30, 600, 746), {kPrimary, kSecond, kThird});
    snapper.snap(SnapPosition::nextDisplay);
    EXPECT_EQ(frame(), Rect(1200, 0, 500, 700));
    snapper.snap(SnapPosition::nextDisplay);
    EXPECT_EQ(frame(), Rect(2200, 100, 400, 600));
    snapper.snap(SnapPosition::nextDisplay);
    EXPECT_EQ(frame(), Rect(0, 30, 600, 746));
    snapper.snap(SnapPosition::previousDisplay);
    EXPECT_EQ(frame(), Rect(2200, 100, 400, 600));
    EXPECT_EQ(snapper.lastSetFrame(key), frame());
    EXPECT_EQ(snapper.lastApplied(key), std::nullopt);

    // A snap right after a display move still stores a restore frame, though the window stands
    // where Snap put it.
    const Rect moved = frame();
    snapper.snap(SnapPosition::maximize);
    snapper.snap(SnapPosition::restore);
    EXPECT_EQ(frame(), moved);
}

TEST_F(WindowSnapperTest, SnapsOnTheScreenHoldingTheMidPointRatherThanTheLargerShare) {
    open(Rect(800, 100, 800, 680), {kPrimary, kSecond});
    snapper.snap(SnapPosition::maximize);
    EXPECT_EQ(frame(), kSecond.visibleFrame);
}

TEST(WindowSnapperScreenTest, FallsBackToTheLargestOverlapThenTheFirstScreen) {
    const std::vector<Screen> screens{kPrimary, kSecond, kThird};
    // Mid-points above the lower displays: the larger overlap wins.
    EXPECT_EQ(WindowSnapper::screen(Rect(1700, 650, 300, 200), screens)->displayID, 2u);
    EXPECT_EQ(WindowSnapper::screen(Rect(2100, 650, 400, 200), screens)->displayID, 3u);
    EXPECT_EQ(WindowSnapper::screen(Rect(-5000, -5000, 100, 100), screens)->displayID, 1u);
    const std::vector<Screen> twins{makeScreen(7, Rect(0, 0, 100, 100), {}), makeScreen(8, Rect(100, 0, 100, 100), {})};
    EXPECT_EQ(WindowSnapper::screen(Rect(50, 80, 100, 100), twins)->displayID, 7u);
    EXPECT_EQ(WindowSnapper::screen(Rect(0, 0, 10, 10), {}), std::nullopt);

    EXPECT_TRUE(WindowSnapper::approxEqual(Rect(10, 10, 100, 100), Rect(11.9, 8.1, 101.9, 98.1), 2.0));
    EXPECT_FALSE(WindowSnapper::approxEqual(Rect(10, 10, 100, 100), Rect(10, 10, 100, 102), 2.0));
}

}  // namespace
}  // namespace tarnlet
