#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shared/DragWatcher.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class Blank : public PanelContent {
public:
    Drawing drawing() const override { return {}; }
};

class DragWatcherTest : public ::testing::Test {
protected:
    sim::SimDesktop& desktop() { return m_env.desktop(); }
    sim::SimMouse& mouse() { return m_env.desktop().mouse(); }

    // A handler that writes "<name> dragged" / "<name> ended" into `heard`.
    DragWatcher::Handler recorder(std::string name) {
        return [this, name](DragWatcher::Event e) {
            heard.push_back(name + (e == DragWatcher::Event::dragged ? " dragged" : " ended"));
        };
    }

    test::TestEnvironment m_env;
    DragWatcher watcher{m_env.desktop().mouse()};
    std::vector<std::string> heard;
};

using Heard = std::vector<std::string>;

TEST_F(DragWatcherTest, ReleaseMonitorsLiveOnlyWhileADragIsUnderWay) {
    EXPECT_FALSE(watcher.isRunning());
    Subscription subscription = watcher.subscribe(recorder("a"));
    EXPECT_TRUE(watcher.isRunning());
    EXPECT_EQ(mouse().globalMonitorCount(), 1u);

    // A click, and moves with the button up, are not drags.
    mouse().moveTo({10, 10});
    mouse().leftDown();
    EXPECT_FALSE(watcher.hasUpMonitors());
    mouse().leftUp();
    EXPECT_TRUE(heard.empty());

    mouse().moveTo({20, 20});
    mouse().leftDown();
    mouse().moveTo({30, 30});
    EXPECT_TRUE(watcher.hasUpMonitors());
    EXPECT_EQ(mouse().globalMonitorCount(), 2u);
    EXPECT_EQ(mouse().localMonitorCount(), 1u);
    mouse().moveTo({40, 40});
    mouse().leftUp();
    EXPECT_EQ(heard, (Heard{"a dragged", "a dragged", "a ended"}));
    EXPECT_FALSE(watcher.hasUpMonitors());
    EXPECT_EQ(mouse().globalMonitorCount(), 1u);
    EXPECT_EQ(mouse().localMonitorCount(), 0u);

    // The last subscription ended, every monitor goes, even in the middle of a drag.
    mouse().leftDown();
    mouse().moveTo({50, 50});
    subscription.cancel();
    EXPECT_FALSE(watcher.isRunning());
    EXPECT_FALSE(watcher.hasUpMonitors());
    EXPECT_EQ(mouse().globalMonitorCount() + mouse().localMonitorCount(), 0u);
}

TEST_F(DragWatcherTest, EveryClientHearsEveryEventAndLeavingKeepsTheOthersServed) {
    Subscription a = watcher.subscribe(recorder("a"));
    const Subscription b = watcher.subscribe(recorder("b"));
    a = watcher.subscribe(recorder("a2"));  // a client replacing its handler
    EXPECT_EQ(watcher.subscriberCount(), 2u);

    mouse().drag({10, 10}, {20, 20}, 1);
    EXPECT_EQ(heard, (Heard{"b dragged", "a2 dragged", "b ended", "a2 ended"}));

    heard.clear();
    a.cancel();
    EXPECT_TRUE(watcher.isRunning());
    mouse().drag({10, 10}, {20, 20}, 1);
    EXPECT_EQ(heard, (Heard{"b dragged", "b ended"}));
}

TEST_F(DragWatcherTest, HandlersMayLeaveOrDestroyTheWatcherWhileTheyAreCalled) {
    // The first client leaves at the end of the drag and takes the second one's subscription with
    // it (as when one owner stops a feature that owns the other).
    Subscription a, b;
    a = watcher.subscribe([&](DragWatcher::Event e) {
        heard.push_back("a");
        if (e == DragWatcher::Event::ended) {
            a.cancel();
            b.cancel();
        }
    });
    b = watcher.subscribe(recorder("b"));
    mouse().drag({10, 10}, {20, 20}, 1);
    EXPECT_EQ(heard, (Heard{"a", "b dragged", "a"}));
    EXPECT_FALSE(watcher.isRunning());

    auto owned = std::make_unique<DragWatcher>(mouse());
    int calls = 0;
    const Subscription first = owned->subscribe([&](DragWatcher::Event) {
        ++calls;
        owned.reset();
    });
    const Subscription second = owned->subscribe([&](DragWatcher::Event) { ++calls; });
    mouse().drag({10, 10}, {20, 20}, 3);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(mouse().globalMonitorCount() + mouse().localMonitorCount(), 0u);
}

TEST_F(DragWatcherTest, ADropOnOurPanelEndsTheDragAndNothingIsHeardWithoutPermission) {
    PanelOptions options;
    options.ignoresMouse = false;
    auto shelf = desktop().panels().show(std::make_shared<Blank>(), Rect(500, 500, 100, 100), options);
    const Subscription subscription = watcher.subscribe(recorder("a"));

    // Dragged across our panel from elsewhere and released on it: only a local monitor hears that.
    mouse().drag({10, 10}, {550, 550}, 2);
    EXPECT_EQ(heard, (Heard{"a dragged", "a dragged", "a ended"}));
    EXPECT_FALSE(watcher.hasUpMonitors());

    // A drag that starts on our own panel is no drag in another application.
    heard.clear();
    mouse().drag({550, 550}, {10, 10}, 2);
    EXPECT_TRUE(heard.empty());

    desktop().permissions().setAccessibilityTrusted(false);
    mouse().drag({10, 10}, {550, 550}, 2);
    mouse().drag({10, 10}, {300, 300}, 2);
    EXPECT_TRUE(heard.empty());
    EXPECT_FALSE(watcher.hasUpMonitors());
    // Once the permission is granted the running watcher hears drags without a restart.
    desktop().permissions().setAccessibilityTrusted(true);
    mouse().drag({10, 10}, {300, 300}, 1);
    EXPECT_EQ(heard, (Heard{"a dragged", "a ended"}));
}

}  // namespace
}  // namespace tarnlet
