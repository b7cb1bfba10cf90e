#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"

namespace tarnlet::sim {
namespace {

constexpr MouseEventMask kAll = MouseMask::moved | MouseMask::leftDragged | MouseMask::leftUp;

class Blank : public PanelContent {
public:
    Drawing drawing() const override { return {}; }
};

std::string describe(const MouseEvent& e) {
    const char* names[] = {"moved", "dragged", "up"};
    return names[static_cast<int>(e.type)];
}

class SimMouseTest : public ::testing::Test {
protected:
    SimDesktop& desktop() { return m_env.desktop(); }
    SimMouse& mouse() { return m_env.desktop().mouse(); }
    SimApplications& apps() { return m_env.desktop().applications(); }

    // A panel of our own that takes the mouse.
    std::unique_ptr<Panel> ownPanel(Rect frame, bool ignoresMouse = false) {
        PanelOptions options;
        options.ignoresMouse = ignoresMouse;
        return desktop().panels().show(std::make_shared<Blank>(), frame, options);
    }

    // Records what the global and local monitors hear, as "global moved", "local up" and so on.
    void record(MouseEventMask mask = kAll) {
        m_global = mouse().addGlobalMonitor(mask, [this](const MouseEvent& e) { heard.push_back("global " + describe(e)); });
        m_local = mouse().addLocalMonitor(mask, [this](const MouseEvent& e) { heard.push_back("local " + describe(e)); });
    }

    test::TestEnvironment m_env;
    std::vector<std::string> heard;
    std::unique_ptr<MouseMonitor> m_global;
    std::unique_ptr<MouseMonitor> m_local;
};

using Heard = std::vector<std::string>;

TEST_F(SimMouseTest, EventsReachGlobalOrLocalMonitorsByWhereThePointerIs) {
    record();
    auto panel = ownPanel(Rect(100, 100, 50, 50));
    auto passThrough = ownPanel(Rect(300, 100, 50, 50), true);

    mouse().moveTo({10, 10});
    mouse().moveTo({120, 120});  // over our panel
    mouse().moveTo({320, 120});  // over a panel that lets the mouse through
    EXPECT_EQ(heard, (Heard{"global moved", "local moved", "global moved"}));
    EXPECT_EQ(mouse().location(), (Point{320, 120}));

    // A monitor hears only the events its mask asks for.
    heard.clear();
    record(MouseMask::leftUp);
    mouse().moveTo({10, 10});
    mouse().leftDown();
    mouse().leftUp();
    EXPECT_EQ(heard, (Heard{"global up"}));

    // Without the permission the global monitors go deaf; our own events still arrive.
    heard.clear();
    record();
    desktop().permissions().setAccessibilityTrusted(false);
    mouse().moveTo({20, 20});
    mouse().moveTo({120, 120});
    EXPECT_EQ(heard, (Heard{"local moved"}));
    desktop().permissions().setAccessibilityTrusted(true);
    mouse().moveTo({20, 20});
    EXPECT_EQ(heard, (Heard{"local moved", "global moved"}));
}

TEST_F(SimMouseTest, TheDragStaysWithThePressButADropOnOurPanelEndsThere) {
    record();
    auto panel = ownPanel(Rect(100, 100, 50, 50));

    // Pressed elsewhere: the drag keeps going to the other application even over our panel, but
    // the release over our panel is ours.
    mouse().drag({10, 10}, {120, 120}, 2);
    EXPECT_EQ(heard, (Heard{"global moved", "global dragged", "global dragged", "local up"}));

    // Pressed on our panel: the whole drag is ours, wherever it is released.
    heard.clear();
    mouse().drag({110, 110}, {500, 500}, 1);
    EXPECT_EQ(heard, (Heard{"local moved", "local dragged", "local up"}));

    // A second press or release does nothing.
    heard.clear();
    mouse().leftUp();
    mouse().leftDown();
    mouse().leftDown();
    EXPECT_TRUE(mouse().isLeftDown());
    mouse().leftUp();
    EXPECT_EQ(heard, (Heard{"global up"}));
}

TEST_F(SimMouseTest, MonitorsRunInOrderAndMayRemoveThemselvesOrOthersMidDelivery) {
    std::vector<std::string> order;
    std::unique_ptr<MouseMonitor> first, second, third;
    first = mouse().addGlobalMonitor(kAll, [&](const MouseEvent&) {
        order.push_back("first");
        first.reset();  // itself, while running
        third.reset();
    });
    second = mouse().addGlobalMonitor(kAll, [&](const MouseEvent&) {
        order.push_back("second");
        // Added during the delivery: hears from the next event on.
        if (!third) third = mouse().addGlobalMonitor(kAll, [&](const MouseEvent&) { order.push_back("new"); });
    });
    third = mouse().addGlobalMonitor(kAll, [&](const MouseEvent&) { order.push_back("third"); });
    EXPECT_EQ(mouse().addGlobalMonitor(kAll, nullptr), nullptr);
    EXPECT_EQ(mouse().globalMonitorCount(), 3u);

    mouse().moveTo({5, 5});
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
    mouse().moveTo({6, 6});
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "second", "new"}));
    EXPECT_EQ(mouse().globalMonitorCount(), 2u);
}

TEST_F(SimMouseTest, ATitleBarDragMovesTheWindowOnlyAfterTheEventPassedTheMonitors) {
    const int pid = apps().launch("com.example.a", "A");
    const AXElement window = apps().addWindow(pid, {"Doc", Rect(100, 100, 400, 300)});
    std::vector<Rect> seenByMonitor;
    auto monitor = mouse().addGlobalMonitor(MouseMask::leftDragged, [&](const MouseEvent&) {
        seenByMonitor.push_back(*apps().windowFrame(window));
    });

    mouse().moveTo({200, 390});  // in the title bar, the top 28 points
    mouse().leftDown();
    EXPECT_EQ(mouse().grabbedWindow(), window);
    mouse().moveTo({250, 380});
    mouse().moveTo({260, 300});
    EXPECT_EQ(seenByMonitor, (std::vector<Rect>{Rect(100, 100, 400, 300), Rect(150, 90, 400, 300)}));
    EXPECT_EQ(apps().windowFrame(window), Rect(160, 10, 400, 300));
    mouse().leftUp();
    EXPECT_FALSE(mouse().grabbedWindow());
    mouse().moveTo({0, 0});
    EXPECT_EQ(apps().windowFrame(window), Rect(160, 10, 400, 300));
    // The user's hand is not an accessibility write.
    EXPECT_TRUE(apps().attributeWrites(pid).empty());

    // The pointer stops at the screen's edge, and the window moves only as far as the pointer did.
    mouse().drag({200, 300}, {-500, 300}, 1);
    EXPECT_EQ(mouse().location(), (Point{0, 300}));
    EXPECT_EQ(apps().windowFrame(window), Rect(-40, 10, 400, 300));

    // A press in the window's body grabs nothing.
    mouse().drag({100, 100}, {300, 300}, 3);
    EXPECT_EQ(apps().windowFrame(window), Rect(-40, 10, 400, 300));
}

TEST_F(SimMouseTest, ACornerDragResizesWithinTheMinimumAndFollowsThePointerBack) {
    const int pid = apps().launch("com.example.a", "A");
    SimApplications::WindowSpec spec{"Doc", Rect(100, 100, 400, 300)};
    spec.minimumSize = {200, 150};
    const AXElement window = apps().addWindow(pid, spec);

    mouse().moveTo({495, 105});  // within 10 points of the bottom-right corner (500, 100)
    mouse().leftDown();
    mouse().moveTo({545, 55});
    // The top-left corner stays; the bottom-right follows the pointer.
    EXPECT_EQ(apps().windowFrame(window), Rect(100, 50, 450, 350));
    mouse().moveTo({195, 395});  // far past the minimum
    EXPECT_EQ(apps().windowFrame(window), Rect(100, 250, 200, 150));
    mouse().moveTo({395, 205});  // back: the corner is under the pointer again at once
    EXPECT_EQ(apps().windowFrame(window), Rect(100, 200, 300, 200));
    mouse().leftUp();

    // A window the application does not let be resized stays as it is.
    spec.sizeSettable = false;
    spec.frame = Rect(800, 100, 200, 200);
    const AXElement fixed = apps().addWindow(pid, spec);
    mouse().drag({995, 105}, {1100, 50}, 2);
    EXPECT_EQ(apps().windowFrame(fixed), Rect(800, 100, 200, 200));
}

TEST_F(SimMouseTest, APressActivatesTheTopmostWindowButNotThroughOurPanel) {
    const int first = apps().launch("com.example.a", "A");
    const int second = apps().launch("com.example.b", "B");
    const AXElement a1 = apps().addWindow(first, {"A1", Rect(0, 0, 300, 300)});
    const AXElement a2 = apps().addWindow(first, {"A2", Rect(600, 0, 300, 300)});
    const AXElement b = apps().addWindow(second, {"B", Rect(200, 0, 300, 300)});
    ASSERT_EQ(desktop().workspace().frontmostApplicationPID(), first);

    // Where windows overlap, the frontmost application's window is on top.
    EXPECT_EQ(apps().windowAt({250, 100}), a1);
    mouse().drag({400, 100}, {400, 100}, 1);
    EXPECT_EQ(desktop().workspace().frontmostApplicationPID(), second);
    EXPECT_EQ(apps().windowAt({250, 100}), b);
    EXPECT_EQ(apps().windowAt({1400, 900}), std::nullopt);

    // The pressed window comes to the front of its application, focused and main.
    ASSERT_EQ(apps().windows(first), (std::vector<AXElement>{a2, a1}));
    mouse().drag({100, 100}, {100, 100}, 1);
    EXPECT_EQ(desktop().workspace().frontmostApplicationPID(), first);
    EXPECT_EQ(apps().windows(first), (std::vector<AXElement>{a1, a2}));
    EXPECT_EQ(apps().focusedWindow(first), a1);
    EXPECT_EQ(apps().mainWindow(first), a1);

    // Our panel floats above the windows and takes the press itself.
    auto panel = ownPanel(Rect(150, 0, 200, 300));
    mouse().moveTo({250, 290});  // over b's title bar, under the panel
    mouse().leftDown();
    EXPECT_FALSE(mouse().grabbedWindow());
    EXPECT_EQ(desktop().workspace().frontmostApplicationPID(), first);
    mouse().leftUp();

    // A press where no window is activates nothing; the drag pasteboard only counts.
    mouse().drag({1400, 900}, {1300, 800}, 2);
    EXPECT_EQ(desktop().workspace().frontmostApplicationPID(), first);
    EXPECT_EQ(mouse().dragPasteboardChangeCount(), 0);
    mouse().bumpDragPasteboard();
    EXPECT_EQ(mouse().dragPasteboardChangeCount(), 1);
}

}  // namespace
}  // namespace tarnlet::sim
