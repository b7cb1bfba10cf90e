#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"

namespace tarnlet::sim {
namespace {

class Blank : public PanelContent {
public:
    Drawing drawing() const override { return {}; }
};

void expectNear(const Rect& actual, const Rect& expected) {
    EXPECT_NEAR(actual.minX(), expected.minX(), 1e-9) << actual;
    EXPECT_NEAR(actual.minY(), expected.minY(), 1e-9) << actual;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9) << actual;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9) << actual;
}

class SimPanelsTest : public ::testing::Test {
protected:
    SimDesktop& desktop() { return m_env.desktop(); }
    SimPanels& panels() { return m_env.desktop().panels(); }

    std::unique_ptr<Panel> show(Rect frame, double alpha = 1, bool ignoresMouse = true) {
        PanelOptions options;
        options.alpha = alpha;
        options.ignoresMouse = ignoresMouse;
        return panels().show(std::make_shared<Blank>(), frame, options);
    }

    test::TestEnvironment m_env;
};

TEST_F(SimPanelsTest, AnimationsMoveOnTheVirtualClockAndATakeoverStartsWhereTheLastOneStands) {
    auto panel = show(Rect(0, 0, 100, 100), 0);
    EXPECT_DOUBLE_EQ(panel->alpha(), 0);
    int fadeInDone = 0;
    panel->animate({1.0, Rect(100, 200, 300, 100), 0.2}, [&] { ++fadeInDone; });
    EXPECT_DOUBLE_EQ(panel->alpha(), 0);  // nothing moves until time passes

    desktop().advanceBy(0.1);
    EXPECT_NEAR(panel->alpha(), 0.5, 1e-9);
    expectNear(panel->frame(), Rect(50, 100, 200, 100));
    // Tests read the same in-between values from the record.
    EXPECT_NEAR(panels().alphaOf(*panels().onScreen().front()), 0.5, 1e-9);

    // Fading out half-way through the fade-in sets off from one half, not from one.
    int fadeOutDone = 0;
    panel->animate({0.0, std::nullopt, 0.1}, [&] { ++fadeOutDone; });
    EXPECT_NEAR(panel->alpha(), 0.5, 1e-9);
    desktop().advanceBy(0.05);
    EXPECT_NEAR(panel->alpha(), 0.25, 1e-9);
    // The frame was not part of the takeover: it goes on to where the first animation sent it.
    expectNear(panel->frame(), Rect(75, 150, 250, 100));
    EXPECT_EQ(fadeInDone, 0);

    // Both completions run when their time is up, the superseded one included.
    desktop().advanceBy(0.049);
    EXPECT_EQ(fadeInDone + fadeOutDone, 0);
    desktop().advanceBy(0.001);
    EXPECT_EQ(fadeInDone, 1);
    EXPECT_EQ(fadeOutDone, 1);
    EXPECT_DOUBLE_EQ(panel->alpha(), 0);
    EXPECT_EQ(panel->frame(), Rect(100, 200, 300, 100));
}

TEST_F(SimPanelsTest, InstantChangesApplyAtOnceButReportOnTheQueueAndBadValuesAreRefused) {
    auto panel = show(Rect(0, 0, 10, 10), 7);  // an opacity above one is pinned
    EXPECT_DOUBLE_EQ(panel->alpha(), 1);

    int done = 0;
    panel->animate({0.3, Rect(5, 5, 20, 20), 0}, [&] { ++done; });
    EXPECT_DOUBLE_EQ(panel->alpha(), 0.3);
    EXPECT_EQ(panel->frame(), Rect(5, 5, 20, 20));
    EXPECT_EQ(done, 0);  // never from inside the call
    desktop().runUntilIdle();
    EXPECT_EQ(done, 1);

    // A nonsense duration counts as none; nonsense values leave the panel as it was.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    panel->animate({nan, Rect(nan, 0, 1, 1), -3}, [&] { ++done; });
    panel->animate({-1.0, Rect(0, 0, -5, 5), std::numeric_limits<double>::infinity()});
    EXPECT_DOUBLE_EQ(panel->alpha(), 0);
    EXPECT_EQ(panel->frame(), Rect(5, 5, 20, 20));
    desktop().runUntilIdle();
    EXPECT_EQ(done, 2);
}

TEST_F(SimPanelsTest, ReplacingEndsAFrameAnimationAndNoCompletionRunsAfterThePanelIsGone) {
    auto panel = show(Rect(0, 0, 100, 100));
    int done = 0;
    panel->animate({0.0, Rect(400, 400, 100, 100), 1.0}, [&] { ++done; });
    desktop().advanceBy(0.5);
    panel->replace(std::make_shared<Blank>(), Rect(10, 10, 50, 50));
    EXPECT_EQ(panel->frame(), Rect(10, 10, 50, 50));
    EXPECT_NEAR(panel->alpha(), 0.5, 1e-9);  // the opacity keeps going
    desktop().advanceBy(0.6);
    EXPECT_EQ(panel->frame(), Rect(10, 10, 50, 50));
    EXPECT_EQ(done, 1);

    panel->animate({1.0, std::nullopt, 1.0}, [&] { ++done; });
    panel.reset();
    desktop().advanceBy(2);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(desktop().queue().pendingCount(), 0u);
}

TEST_F(SimPanelsTest, ARemovedPanelKeepsItsValuesAndComesBackInFront) {
    std::vector<std::string> events;
    panels().onShow = [&](const SimPanels::Record& r) { events.push_back("show " + std::to_string(r.frame.width())); };
    panels().onRemove = [&](const SimPanels::Record& r) { events.push_back("remove " + std::to_string(r.frame.width())); };
    auto back = show(Rect(0, 0, 100, 100), 0.4, false);
    auto front = show(Rect(50, 50, 200, 100), 1, false);
    EXPECT_EQ(panels().panelAt({60, 60})->frame.width(), 200);

    back->remove();
    back->remove();
    EXPECT_FALSE(back->isOnScreen());
    EXPECT_DOUBLE_EQ(back->alpha(), 0.4);
    EXPECT_EQ(back->frame(), Rect(0, 0, 100, 100));
    EXPECT_EQ(panels().panelAt({10, 10}), nullptr);  // off screen, nothing to hit

    // Showing another panel meanwhile must not lose the one that is off screen.
    auto third = show(Rect(1000, 0, 10, 10));
    back->orderFront();
    EXPECT_TRUE(back->isOnScreen());
    EXPECT_EQ(panels().onScreen().back()->frame.width(), 100);
    EXPECT_EQ(panels().panelAt({60, 60})->frame.width(), 100);  // now in front of the other
    front->orderFront();                                          // already on screen: only reorders
    EXPECT_EQ(panels().panelAt({60, 60})->frame.width(), 200);
    EXPECT_EQ(panels().shownCount(), 4u);
    EXPECT_EQ(events, (std::vector<std::string>{"show 100.000000", "show 200.000000", "remove 100.000000",
                                                 "show 10.000000", "show 100.000000"}));

    // A panel that lets the mouse through is never hit.
    EXPECT_EQ(panels().panelAt({1005, 5}), nullptr);
}

}  // namespace
}  // namespace tarnlet::sim
