#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

namespace tarnlet::sim {
namespace {

class SimApplicationsTest : public ::testing::Test {
protected:
    SimApplications& apps() { return m_env.desktop().applications(); }
    test::TestEnvironment m_env;
};

TEST_F(SimApplicationsTest, ElementsStayEqualWhileTheirObjectLivesAndGoStaleWhenItQuits) {
    const int first = apps().launch("com.example.a", "A");
    const int second = apps().launch("com.example.b", "B");
    EXPECT_EQ(first, SimApplications::kFirstPID);
    EXPECT_EQ(m_env.desktop().workspace().frontmostApplicationPID(), first);
    const AXElement window = apps().addWindow(first, {"Doc", Rect(0, 0, 100, 100)});
    EXPECT_EQ(apps().createApplication(first), apps().createApplication(first));
    EXPECT_NE(apps().createApplication(first), apps().createApplication(second));
    EXPECT_NE(apps().createApplication(first), window);

    AXValue value;
    EXPECT_EQ(apps().copyAttribute(apps().createApplication(999), "AXWindows", value), AXError::invalidUIElement);
    apps().quit(first);
    EXPECT_EQ(apps().copyAttribute(apps().createApplication(first), "AXWindows", value), AXError::invalidUIElement);
    EXPECT_EQ(apps().copyAttribute(window, "AXTitle", value), AXError::invalidUIElement);
    EXPECT_FALSE(m_env.desktop().workspace().frontmostApplicationPID());
    EXPECT_FALSE(m_env.desktop().workspace().activateApplication(first));
}

TEST_F(SimApplicationsTest, CallsAreRefusedTheWayThePlatformRefusesThem) {
    const int pid = apps().launch("com.example.a", "A");
    const AXElement app = apps().createApplication(pid);
    const AXElement window = apps().addWindow(pid, {"Doc", Rect(0, 0, 100, 100)});
    AXValue value;
    EXPECT_EQ(apps().copyAttribute(window, "AXNoSuchThing", value), AXError::attributeUnsupported);
    EXPECT_EQ(apps().setAttribute(window, "AXSize", Point{1, 2}), AXError::illegalArgument);
    EXPECT_EQ(apps().setAttribute(app, "AXEnhancedUserInterface", std::string("yes")), AXError::illegalArgument);
    EXPECT_EQ(apps().setAttribute(window, "AXTitle", std::string("New")), AXError::attributeUnsupported);
    EXPECT_EQ(apps().performAction(app, "AXRaise"), AXError::actionUnsupported);
    EXPECT_TRUE(apps().attributeWrites(pid).empty());

    // A hung application stalls for the element's own timeout, the system default without one.
    apps().setResponsive(pid, false);
    EXPECT_EQ(apps().copyAttribute(app, "AXWindows", value), AXError::cannotComplete);
    EXPECT_DOUBLE_EQ(apps().stalledSeconds(), SimApplications::kDefaultMessagingTimeout);
    EXPECT_EQ(apps().setMessagingTimeout(window, 1.0), AXError::success);
    EXPECT_EQ(apps().performAction(window, "AXRaise"), AXError::cannotComplete);
    EXPECT_DOUBLE_EQ(apps().stalledSeconds(), SimApplications::kDefaultMessagingTimeout + 1.0);

    m_env.desktop().permissions().setAccessibilityTrusted(false);
    EXPECT_EQ(apps().copyAttribute(app, "AXWindows", value), AXError::apiDisabled);
    bool settable = false;
    EXPECT_EQ(apps().isAttributeSettable(window, "AXSize", settable), AXError::apiDisabled);
}

TEST_F(SimApplicationsTest, RaisingAndClosingKeepTheWindowOrderAndFocusTruthful) {
    const int pid = apps().launch("com.example.a", "A");
    const AXElement older = apps().addWindow(pid, {"Older", Rect(0, 0, 100, 100)});
    const AXElement newer = apps().addWindow(pid, {"Newer", Rect(0, 0, 100, 100)});
    EXPECT_EQ(apps().windows(pid), (std::vector<AXElement>{newer, older}));
    EXPECT_EQ(apps().performAction(older, "AXRaise"), AXError::success);
    EXPECT_EQ(apps().windows(pid), (std::vector<AXElement>{older, newer}));
    EXPECT_EQ(apps().mainWindow(pid), older);
    EXPECT_EQ(apps().focusedWindow(pid), older);

    apps().closeWindow(older);
    EXPECT_EQ(apps().focusedWindow(pid), newer);
    apps().closeWindow(newer);
    AXValue value;
    EXPECT_EQ(apps().copyAttribute(apps().createApplication(pid), "AXFocusedWindow", value), AXError::noValue);
}

}  // namespace
}  // namespace tarnlet::sim
