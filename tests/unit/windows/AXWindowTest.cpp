#include <gtest/gtest.h>

#include <limits>

#include "support/TestEnvironment.h"
#include "windows/AXWindow.h"

namespace tarnlet {
namespace {

using sim::SimApplications;
using Strings = std::vector<std::string>;

class AXWindowTest : public ::testing::Test {
protected:
    AXWindowTest() {
        desktop().screens().setScreens({sim::SimScreens::laptopPanel(1440, 900, false),
                                        sim::SimScreens::externalDisplay(1920, 1080, 1440, 2)});
    }
    sim::SimDesktop& desktop() { return m_env.desktop(); }
    SimApplications& apps() { return desktop().applications(); }

    test::TestEnvironment m_env;
    WindowServices m_services{desktop().applications(), desktop().workspace(), desktop().screens()};
};

TEST_F(AXWindowTest, FlipConvertsWithTheFirstScreensHeightAndIsItsOwnInverse) {
    const auto screens = desktop().screens().screens();
    const Rect desktopFrame(100, 50, 400, 300);
    // The top of the 900-point primary panel is y 0 in top-left space; the window's top is at 350.
    EXPECT_EQ(AXWindow::flip(desktopFrame, screens), Rect(100, 550, 400, 300));
    EXPECT_EQ(AXWindow::flip(AXWindow::flip(desktopFrame, screens), screens), desktopFrame);
    // A taller screen elsewhere does not count: only the first screen gives the primary height.
    EXPECT_EQ(AXWindow::flip(Rect(1500, 0, 100, 100), screens), Rect(1500, 800, 100, 100));
    EXPECT_EQ(AXWindow::flip(desktopFrame, {}), Rect(100, -350, 400, 300));
}

TEST_F(AXWindowTest, FocusedFindsTheFrontmostApplicationsFocusedWindowWithTimeouts) {
    const int front = apps().launch("com.example.front", "Front");
    const int back = apps().launch("com.example.back", "Back");
    const AXElement frontWindow = apps().addWindow(front, {"Front", Rect(0, 0, 500, 400)});
    const AXElement backWindow = apps().addWindow(back, {"Back", Rect(0, 0, 500, 400)});

    const auto window = AXWindow::focused(m_services);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->element(), frontWindow);
    EXPECT_EQ(window->pid(), front);
    EXPECT_EQ(window->appElement(), apps().createApplication(front));
    EXPECT_EQ(apps().messagingTimeout(window->element()), 1.0);
    EXPECT_EQ(apps().messagingTimeout(window->appElement()), 1.0);

    const auto other = AXWindow::focused(m_services, back);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->element(), backWindow);
    EXPECT_NE(other->key(), window->key());
    EXPECT_EQ(AXWindow::focused(m_services, back)->key(), other->key());

    apps().setFocusedWindow(back, std::nullopt);
    EXPECT_FALSE(AXWindow::focused(m_services, back));
    desktop().workspace().setFrontmostApplicationPID(std::nullopt);
    EXPECT_FALSE(AXWindow::focused(m_services));
}

TEST_F(AXWindowTest, SetFrameWritesSizePositionSizeAndReadsBackInDesktopCoordinates) {
    const int pid = apps().launch("com.example.editor", "Editor");
    apps().addWindow(pid, {"Doc", Rect(10, 10, 300, 200)});
    const auto window = AXWindow::focused(m_services, pid);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->frame(), Rect(10, 10, 300, 200));

    const Rect target(0, 0, 720, 876);
    window->setFrame(target);
    EXPECT_EQ(apps().windowFrame(window->element()), target);
    EXPECT_EQ(window->frame(), target);
    // Enhanced user interface was off, so it is never touched.
    EXPECT_EQ(apps().attributeWrites(pid), (Strings{"AXSize", "AXPosition", "AXSize"}));
}

TEST_F(AXWindowTest, EnhancedUserInterfaceIsSwitchedOffForTheMoveAndBackOnAfterwards) {
    const int pid = apps().launch("com.example.mail", "Mail", true);
    apps().addWindow(pid, {"Inbox", Rect(10, 10, 300, 200)});
    const auto window = AXWindow::focused(m_services, pid);
    ASSERT_TRUE(window);
    window->setFrame(Rect(720, 0, 720, 876));
    EXPECT_EQ(apps().attributeWrites(pid), (Strings{"AXEnhancedUserInterface=false", "AXSize", "AXPosition",
                                                    "AXSize", "AXEnhancedUserInterface=true"}));
    EXPECT_TRUE(apps().enhancedUserInterface(pid));
    EXPECT_EQ(window->frame(), Rect(720, 0, 720, 876));
}

TEST_F(AXWindowTest, AnApplicationsMinimumSizeShowsInTheFrameReadBack) {
    const int pid = apps().launch("com.example.player", "Player");
    apps().addWindow(pid, {"Player", Rect(100, 100, 600, 400), "AXStandardWindow", Size{500, 300}});
    const auto window = AXWindow::focused(m_services, pid);
    ASSERT_TRUE(window);
    window->setFrame(Rect(0, 600, 200, 150));
    // The top-left corner lands where asked (top edge at 750); the window keeps its minimum size.
    EXPECT_EQ(window->frame(), Rect(0, 450, 500, 300));
}

TEST_F(AXWindowTest, NonFiniteFramesAreNeverSent) {
    const int pid = apps().launch("com.example.mail", "Mail", true);
    apps().addWindow(pid, {"Inbox", Rect(10, 10, 300, 200)});
    const auto window = AXWindow::focused(m_services, pid);
    ASSERT_TRUE(window);
    window->setFrame(Rect(0, 0, std::numeric_limits<double>::quiet_NaN(), 100));
    window->setFrame(Rect(std::numeric_limits<double>::infinity(), 0, 100, 100));
    EXPECT_TRUE(apps().attributeWrites(pid).empty());
    EXPECT_EQ(window->frame(), Rect(10, 10, 300, 200));
}

TEST_F(AXWindowTest, ResizableUnlessSizeIsFixedOrTheWindowIsASystemDialog) {
    const int pid = apps().launch("com.example.app", "App");
    const AXElement fixed = apps().addWindow(pid, {"About", Rect(0, 0, 300, 200), "AXStandardWindow", {}, false});
    const AXElement dialog = apps().addWindow(pid, {"Alert", Rect(0, 0, 300, 200), "AXSystemDialog"});
    const AXElement normal = apps().addWindow(pid, {"Doc", Rect(0, 0, 300, 200)});
    const AXElement app = apps().createApplication(pid);
    EXPECT_FALSE(AXWindow(m_services, fixed, pid, app).isResizable());
    EXPECT_FALSE(AXWindow(m_services, dialog, pid, app).isResizable());
    EXPECT_TRUE(AXWindow(m_services, normal, pid, app).isResizable());

    // A fixed-size window keeps its size when asked to change it.
    AXWindow(m_services, fixed, pid, app).setFrame(Rect(50, 50, 800, 600));
    EXPECT_EQ(apps().windowFrame(fixed), Rect(50, 450, 300, 200));

    // When the question cannot be answered the resize is simply tried.
    apps().quit(pid);
    EXPECT_TRUE(AXWindow(m_services, fixed, pid, app).isResizable());
}

TEST_F(AXWindowTest, AHungApplicationStallsEachCallForOneSecondAtMost) {
    const int pid = apps().launch("com.example.hung", "Hung");
    const AXElement element = apps().addWindow(pid, {"Doc", Rect(0, 0, 300, 200)});
    const auto window = AXWindow::focused(m_services, pid);
    ASSERT_TRUE(window);

    apps().setResponsive(pid, false);
    EXPECT_FALSE(AXWindow::focused(m_services, pid));
    EXPECT_DOUBLE_EQ(apps().stalledSeconds(), 1.0);
    EXPECT_FALSE(window->frame());
    window->setFrame(Rect(0, 0, 800, 600));
    EXPECT_TRUE(window->isResizable());
    // frame: one call; setFrame: the enhanced-interface read and three writes; isResizable: one.
    EXPECT_DOUBLE_EQ(apps().stalledSeconds(), 7.0);

    apps().setResponsive(pid, true);
    EXPECT_EQ(apps().windowFrame(element), Rect(0, 0, 300, 200));
}

TEST_F(AXWindowTest, WithoutThePermissionNothingIsReadOrMoved) {
    const int pid = apps().launch("com.example.app", "App");
    const AXElement element = apps().addWindow(pid, {"Doc", Rect(0, 0, 300, 200)});
    desktop().permissions().setAccessibilityTrusted(false);
    EXPECT_FALSE(AXWindow::focused(m_services));
    const AXWindow window(m_services, element, pid, apps().createApplication(pid));
    EXPECT_FALSE(window.frame());
    window.setFrame(Rect(10, 10, 500, 500));
    EXPECT_EQ(apps().windowFrame(element), Rect(0, 0, 300, 200));
    EXPECT_TRUE(apps().attributeWrites(pid).empty());
}

}  // namespace
}  // namespace tarnlet
