#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <numbers>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "keys/HotKeyWatcher.h"
#include "keys/ModifierWatcher.h"
#include "settings/Settings.h"
#include "shared/DragWatcher.h"
#include "support/TestEnvironment.h"
#include "windows/EdgeSnapMonitor.h"
#include "windows/MouseSnapMonitor.h"
#include "windows/SnapFeature.h"

namespace tarnlet {
namespace {

using P = SnapPosition;

TEST(EdgeZoneTest, CornersWinOverEdgesAndTheTopMaximizes) {
    // An offset visible frame: 100…1100 across, 50…750 up.
    const Rect v(100, 50, 1000, 700);
    const auto at = [&](double x, double y) -> std::optional<P> {
        auto z = EdgeSnapMonitor::zone({x, y}, v);
        return z ? std::optional<P>(z->position) : std::nullopt;
    };
    EXPECT_EQ(at(108, 400), P::leftHalf);
    EXPECT_EQ(at(108.5, 400), std::nullopt);
    EXPECT_EQ(at(1092, 400), P::rightHalf);
    EXPECT_EQ(at(600, 742), P::maximize);
    EXPECT_EQ(at(600, 58), P::bottomHalf);
    EXPECT_EQ(at(600, 400), std::nullopt);
    // Within 50 points of a corner along either edge.
    EXPECT_EQ(at(104, 700), P::topLeft);
    EXPECT_EQ(at(104, 699), P::leftHalf);
    EXPECT_EQ(at(150, 746), P::topLeft);
    EXPECT_EQ(at(151, 746), P::maximize);
    EXPECT_EQ(at(1096, 720), P::topRight);
    EXPECT_EQ(at(1050, 749), P::topRight);
    EXPECT_EQ(at(104, 100), P::bottomLeft);
    EXPECT_EQ(at(1100, 50), P::bottomRight);

    EXPECT_EQ(EdgeSnapMonitor::zone({600, 745}, v)->frame, v);
    EXPECT_EQ(EdgeSnapMonitor::zone({101, 400}, v)->frame, Rect(100, 50, 500, 700));
}

TEST(DialSectorTest, DeadZoneAndBoundaries) {
    EXPECT_EQ(MouseSnapMonitor::sector(0, 24), std::nullopt);
    EXPECT_EQ(MouseSnapMonitor::sector(0, 25), P::topHalf);
    EXPECT_EQ(MouseSnapMonitor::sector(24.9, 0), std::nullopt);
    const auto polar = [](double degrees) {
        const double r = 100, a = degrees * std::numbers::pi / 180;
        return MouseSnapMonitor::sector(r * std::cos(a), r * std::sin(a));
    };
    EXPECT_EQ(polar(0), P::rightHalf);
    EXPECT_EQ(polar(22.4), P::rightHalf);
    EXPECT_EQ(polar(22.5), P::topRight);
    EXPECT_EQ(polar(67.5), P::topHalf);
    EXPECT_EQ(polar(135), P::topLeft);
    EXPECT_EQ(polar(180), P::leftHalf);
    EXPECT_EQ(polar(-135), P::bottomLeft);
    EXPECT_EQ(polar(270), P::bottomHalf);
    EXPECT_EQ(polar(292.5), P::bottomRight);
    EXPECT_EQ(polar(337.4), P::bottomRight);
    EXPECT_EQ(polar(337.5), P::rightHalf);
}

using test::makeScreen;

// The primary screen's visible frame leaves a dock at the bottom and a menu bar at the top.
const Screen kPrimary = makeScreen(1, Rect(0, 0, 1200, 800), Rect(0, 30, 1200, 746));
const Screen kSecond = makeScreen(2, Rect(1200, 0, 1000, 700), Rect(1200, 0, 1000, 700));
// Its title bar is the band 472…500 from the bottom.
const Rect kWindow(300, 200, 400, 300);

class SnapTriggerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        desktop.permissions().setAccessibilityTrusted(true);
        desktop.screens().setScreens({kPrimary, kSecond});
        desktop.runUntilIdle();
        pid = desktop.applications().launch("com.example.editor", "Editor");
        desktop.workspace().setFrontmostApplicationPID(pid);
        window = desktop.applications().addWindow(pid, {"Notes", kWindow, "AXStandardWindow", {200, 150}, true});
    }
    Rect frame() { return desktop.applications().windowFrame(window).value_or(Rect()); }
    std::optional<Rect> footprintFrame() {
        for (const auto& record : desktop.panels().onScreen())
            if (record->options.level == FootprintWindow::kLevel && record->frame.size != Size{104, 104} &&
                desktop.panels().alphaOf(*record) > 0.01)
                return desktop.panels().frameOf(*record);
        return std::nullopt;
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    sim::SimMouse& mouse = desktop.mouse();
    WindowServices services{desktop.applications(), desktop.workspace(), desktop.screens()};
    int pid = 0;
    AXElement window;
};

class EdgeSnapTest : public SnapTriggerFixture {
protected:
    void SetUp() override {
        SnapTriggerFixture::SetUp();
        edges.onSnap = [this](P position, std::int32_t p) { snaps.push_back({position, p}); };
        edges.start();
    }
    // Presses at `from`, drags to `to` in `steps` moves; the button stays down.
    void dragTo(Point from, Point to, int steps = 10) {
        mouse.moveTo(from);
        mouse.leftDown();
        for (int i = 1; i <= steps; ++i) {
            mouse.moveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
            desktop.advanceBy(0.01);
        }
    }

    DragWatcher drags{desktop.mouse()};
    EdgeSnapMonitor edges{drags, services, desktop.mouse(), desktop.panels()};
    std::vector<std::pair<P, int>> snaps;
};

TEST_F(EdgeSnapTest, TitleBarDragToTheLeftEdgePreviewsAndSnaps) {
    dragTo({500, 490}, {3, 400});
    desktop.advanceBy(0.2);
    EXPECT_TRUE(edges.isDraggingWindow());
    EXPECT_EQ(edges.pendingSnap(), P::leftHalf);
    EXPECT_EQ(footprintFrame(), Rect(0, 30, 600, 746));

    // Back into the middle the preview fades; out to the top edge it comes back as maximize.
    mouse.moveTo({600, 400});
    desktop.advanceBy(0.2);
    EXPECT_EQ(footprintFrame(), std::nullopt);
    mouse.moveTo({600, 775});
    desktop.advanceBy(0.2);
    EXPECT_EQ(edges.pendingSnap(), P::maximize);

    mouse.leftUp();
    desktop.advanceBy(0.2);
    ASSERT_EQ(snaps.size(), 1u);
    EXPECT_EQ(snaps[0], std::make_pair(P::maximize, pid));
    EXPECT_EQ(footprintFrame(), std::nullopt);
    EXPECT_FALSE(edges.isDraggingWindow());
    EXPECT_EQ(edges.detectionAttempts(), 0);
}

TEST_F(EdgeSnapTest, OnTheSecondScreenItsOwnVisibleFrameCounts) {
    dragTo({500, 490}, {2197, 350});
    desktop.advanceBy(0.2);
    EXPECT_EQ(footprintFrame(), Rect(1700, 0, 500, 700));
    mouse.leftUp();
    ASSERT_EQ(snaps.size(), 1u);
    EXPECT_EQ(snaps[0].first, P::rightHalf);
}

TEST_F(EdgeSnapTest, ResizeDragNeverShowsAFootprint) {
    // The bottom-right corner: the drag resizes the window down to the left edge.
    dragTo({698, 202}, {3, 40});
    desktop.advanceBy(0.2);
    EXPECT_NE(frame().size, kWindow.size);
    EXPECT_FALSE(edges.isDraggingWindow());
    EXPECT_EQ(footprintFrame(), std::nullopt);
    mouse.leftUp();
    EXPECT_TRUE(snaps.empty());
}

TEST_F(EdgeSnapTest, DragThatDoesNotMoveTheWindowIsGivenUpAfterTwentyEvents) {
    // A drag inside the window (selecting text) moves nothing; something else then moves the window
    // on the 21st event, and the drag is still not taken for a window move.
    dragTo({500, 300}, {520, 300}, 20);
    EXPECT_EQ(edges.detectionAttempts(), 20);
    desktop.applications().moveWindowBy(window, -10, 0);
    mouse.moveTo({3, 300});
    EXPECT_EQ(edges.detectionAttempts(), 21);
    EXPECT_FALSE(edges.isDraggingWindow());
    mouse.moveTo({4, 300});
    mouse.leftUp();
    EXPECT_TRUE(snaps.empty());
}

TEST_F(EdgeSnapTest, MoveSeenOnTheTwentiethEventStillCounts) {
    dragTo({500, 300}, {520, 300}, 19);
    desktop.applications().moveWindowBy(window, -10, 0);
    mouse.moveTo({3, 300});
    EXPECT_TRUE(edges.isDraggingWindow());
    mouse.leftUp();
    ASSERT_EQ(snaps.size(), 1u);
    EXPECT_EQ(snaps[0].first, P::leftHalf);
}

TEST_F(EdgeSnapTest, UnresizableWindowsAndStoppedMonitorsAreLeftAlone) {
    desktop.applications().addWindow(pid, {"Palette", Rect(300, 600, 200, 100), "AXStandardWindow", {}, false});
    dragTo({400, 690}, {3, 690});
    EXPECT_FALSE(edges.isDraggingWindow());
    mouse.leftUp();
    EXPECT_TRUE(snaps.empty());

    edges.stop();
    EXPECT_FALSE(drags.isRunning());
    dragTo({500, 490}, {3, 400});
    mouse.leftUp();
    EXPECT_TRUE(snaps.empty());
}

TEST_F(EdgeSnapTest, FootprintHiddenAndShownAgainWithinItsFadeStaysUp) {
    FootprintWindow footprint(desktop.panels());
    footprint.show(Rect(0, 30, 600, 746));
    desktop.advanceBy(0.045);
    EXPECT_TRUE(footprint.isVisible());
    const Panel* panel = footprint.window();
    EXPECT_GT(panel->alpha(), 0.3);
    EXPECT_LT(panel->alpha(), 0.7);
    desktop.advanceBy(0.1);
    footprint.hide();
    desktop.advanceBy(0.06);
    footprint.show(Rect(600, 30, 600, 746));
    desktop.advanceBy(1);
    EXPECT_TRUE(footprint.isVisible());
    EXPECT_DOUBLE_EQ(panel->alpha(), 1.0);
    // Still visible when shown again, it glides to the new frame rather than jumping.
    EXPECT_EQ(panel->frame(), Rect(600, 30, 600, 746));

    footprint.hide();
    desktop.advanceBy(0.11);
    EXPECT_TRUE(panel->isOnScreen());
    desktop.advanceBy(0.02);
    EXPECT_FALSE(panel->isOnScreen());
    EXPECT_FALSE(footprint.isVisible());

    // Invisible, it appears at the new frame at once.
    footprint.show(Rect(10, 40, 100, 100));
    EXPECT_EQ(panel->frame(), Rect(10, 40, 100, 100));
    footprint.dispose();
    EXPECT_EQ(footprint.window(), nullptr);
}

class SnapFeatureTest : public SnapTriggerFixture {
protected:
    void SetUp() override {
        SnapTriggerFixture::SetUp();
        m_logDirectory = FileLog::directory();
        FileLog::setDirectory(env.home() / "Logs");
        Log::setSystemLog(&desktop.systemLog());
        Log::setDebugEnabled(true);
        settings.set("snap.isEnabled", true);
        snap.onChordHold = [this](bool supported) { holds.push_back(supported); };
        snap.onChordRelease = [this] { ++releases; };
        snap.onShortcut = [this](P p) { shortcuts.push_back(p); };
    }
    void TearDown() override {
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
        FileLog::setDirectory(m_logDirectory);
    }
    void down(const char* key) {
        desktop.keyboard().keyDown(*sim::SimKeyboard::keyCode(key));
        desktop.runUntilIdle();
    }
    void up(const char* key) {
        desktop.keyboard().keyUp(*sim::SimKeyboard::keyCode(key));
        desktop.runUntilIdle();
    }
    bool logged(const std::string& text) const { return desktop.systemLog().contains(text); }
    const sim::SimPanels::Record* ring() {
        for (const auto& record : desktop.panels().onScreen())
            if (record->frame.size == Size{104, 104}) return record.get();
        return nullptr;
    }

    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    ModifierWatcher modifiers{desktop.keyboard()};
    HotKeyWatcher hotKeys{desktop.hotKeys()};
    DragWatcher drags{desktop.mouse()};
    SnapFeature snap{settings, modifiers, drags, hotKeys,
                     SnapFeature::Services{services, desktop.mouse(), desktop.panels(), desktop.queue()}};
    std::vector<bool> holds;
    int releases = 0;
    std::vector<P> shortcuts;
    std::filesystem::path m_logDirectory;
};

TEST_F(SnapFeatureTest, ActivationFollowsTheSubTogglesAndDeactivationForgetsWindows) {
    settings.set("snap.onDrag", false);
    snap.activate();
    EXPECT_TRUE(snap.isActive());
    EXPECT_EQ(snap.hotKeys().ids().size(), 18u);
    EXPECT_FALSE(drags.isRunning());
    EXPECT_TRUE(modifiers.isRunning());
    EXPECT_TRUE(logged("Snap active (shortcuts: true, drag: false)"));

    // A shortcut snaps the front window and is reported for the notch's pulse.
    down("ctrl");
    down("opt");
    desktop.keyboard().press(*sim::SimKeyboard::keyCode("left"));
    desktop.runUntilIdle();
    up("opt");
    up("ctrl");
    EXPECT_EQ(frame(), Rect(0, 30, 600, 746));
    EXPECT_EQ(shortcuts, std::vector<P>{P::leftHalf});
    const std::uint32_t key = AXWindow::focused(services)->key();
    EXPECT_TRUE(snap.snapper().restoreFrame(key));

    settings.set("snap.keyboardShortcuts", false);
    settings.set("snap.mouseSnap", false);
    settings.set("notch.snapHints", false);
    settings.set("snap.onDrag", true);
    snap.activate();
    EXPECT_TRUE(snap.hotKeys().ids().empty());
    EXPECT_TRUE(drags.isRunning());
    EXPECT_FALSE(modifiers.isRunning());

    snap.deactivate();
    EXPECT_FALSE(snap.isActive());
    EXPECT_FALSE(drags.isRunning());
    EXPECT_FALSE(snap.snapper().restoreFrame(key));
    EXPECT_TRUE(logged("Snap deactivated"));
}

TEST_F(SnapFeatureTest, ChordHeldShowsTheDialAndReleaseSnapsToItsSector) {
    snap.activate();
    mouse.moveTo({500, 400});
    down("ctrl");
    down("opt");
    EXPECT_TRUE(snap.chordHeld());
    desktop.advanceBy(0.19);
    EXPECT_TRUE(holds.empty());
    desktop.advanceBy(0.02);
    EXPECT_EQ(holds, std::vector<bool>{true});
    ASSERT_NE(ring(), nullptr);
    EXPECT_EQ(ring()->frame, Rect(448, 348, 104, 104));
    EXPECT_TRUE(logged("MouseSnapMonitor: begin"));

    mouse.moveTo({500, 424});
    EXPECT_EQ(snap.mouseSnap().pendingSector(), std::nullopt);
    mouse.moveTo({500, 425});
    EXPECT_EQ(snap.mouseSnap().pendingSector(), P::topHalf);
    EXPECT_EQ(snap.mouseSnap().dialView()->selected(), P::topHalf);
    desktop.advanceBy(0.1);
    EXPECT_EQ(footprintFrame(), Rect(0, 403, 1200, 373));

    up("opt");
    EXPECT_EQ(frame(), Rect(0, 403, 1200, 373));
    EXPECT_TRUE(logged("MouseSnapMonitor: snap topHalf"));
    EXPECT_EQ(ring(), nullptr);
    EXPECT_EQ(footprintFrame(), std::nullopt);
    EXPECT_EQ(releases, 1);
}

TEST_F(SnapFeatureTest, ReleaseBeforeTheHoldDelayShowsAndSnapsNothing) {
    snap.activate();
    mouse.moveTo({500, 400});
    down("ctrl");
    down("opt");
    desktop.advanceBy(0.1);
    mouse.moveTo({500, 500});
    up("ctrl");
    desktop.advanceBy(1);
    EXPECT_TRUE(holds.empty());
    EXPECT_EQ(ring(), nullptr);
    EXPECT_EQ(frame(), kWindow);
    EXPECT_EQ(releases, 1);
}

TEST_F(SnapFeatureTest, ShiftMakesItNoChordAndPressingItCountsAsARelease) {
    snap.activate();
    mouse.moveTo({500, 400});
    down("shift");
    down("ctrl");
    down("opt");
    desktop.advanceBy(1);
    EXPECT_FALSE(snap.chordHeld());
    EXPECT_TRUE(holds.empty());
    up("shift");
    desktop.advanceBy(0.3);
    EXPECT_EQ(holds, std::vector<bool>{true});
    mouse.moveTo({460, 400});
    down("shift");
    EXPECT_FALSE(snap.chordHeld());
    EXPECT_EQ(frame(), Rect(0, 30, 600, 746));
    EXPECT_EQ(ring(), nullptr);
}

TEST_F(SnapFeatureTest, UnsupportedWindowIsReportedWithoutADial) {
    desktop.applications().addWindow(pid, {"Palette", Rect(300, 600, 200, 100), "AXStandardWindow", {}, false});
    snap.activate();
    down("ctrl");
    down("opt");
    desktop.advanceBy(0.3);
    EXPECT_EQ(holds, std::vector<bool>{false});
    EXPECT_EQ(ring(), nullptr);

    // Stopping the feature while the chord is held releases it too.
    snap.deactivate();
    EXPECT_FALSE(snap.chordHeld());
    EXPECT_EQ(releases, 1);
}

TEST_F(SnapFeatureTest, DialOffStillReportsTheHoldForTheHints) {
    settings.set("snap.mouseSnap", false);
    snap.activate();
    down("ctrl");
    down("opt");
    desktop.advanceBy(0.3);
    EXPECT_EQ(holds, std::vector<bool>{true});
    EXPECT_EQ(ring(), nullptr);
}

}  // namespace
}  // namespace tarnlet
