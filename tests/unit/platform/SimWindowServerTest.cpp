#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

namespace tarnlet::sim {
namespace {

using Events = std::vector<std::pair<AXElement, std::string>>;

class SimWindowServerTest : public ::testing::Test {
protected:
    SimApplications& apps() { return m_env.desktop().applications(); }
    SimWindowServer& server() { return m_env.desktop().windowServer(); }
    test::TestEnvironment m_env;
};

TEST_F(SimWindowServerTest, TheListIsFrontToBackAndOnScreenMeansShownAndNotMinimised) {
    const int back = apps().launch("com.example.back", "Back");
    const int front = apps().launch("com.example.front", "Front");
    m_env.desktop().workspace().setFrontmostApplicationPID(front);
    const AXElement b = apps().addWindow(back, {"B", Rect(0, 0, 100, 100)});
    const AXElement f1 = apps().addWindow(front, {"F1", Rect(0, 0, 100, 100)});
    const AXElement f2 = apps().addWindow(front, {"F2", Rect(0, 0, 100, 100)});
    const auto list = server().windowList({});
    ASSERT_TRUE(list);
    std::vector<std::uint32_t> numbers;
    for (const WindowRecord& r : *list) numbers.push_back(*r.number);
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{*apps().windowNumber(f2), *apps().windowNumber(f1),
                                                   *apps().windowNumber(b)}));
    EXPECT_EQ(list->front().ownerPID, front);
    EXPECT_EQ(list->front().layer, 0.0);
    EXPECT_EQ(list->front().alpha, 1.0);

    const std::uint64_t other = server().addSpace();
    apps().setWindowSpaces(b, {other});
    apps().setMinimized(f1, true);
    EXPECT_EQ(server().windowList({.onScreenOnly = true})->size(), 1u);
    EXPECT_FALSE(apps().windowAt(Point{50, 50}) == f1);
    server().activateSpace(other);
    EXPECT_EQ(server().windowList({.onScreenOnly = true})->size(), 1u);
    EXPECT_EQ(apps().windowAt(Point{50, 50}), b);
    // A hidden application's windows leave the screen too.
    m_env.desktop().workspace().hide(back);
    EXPECT_EQ(server().windowList({.onScreenOnly = true})->size(), 0u);
    EXPECT_EQ(server().windowList({})->size(), 3u);
    AXValue minimised;
    EXPECT_EQ(apps().copyAttribute(f1, "AXMinimized", minimised), AXError::success);
    EXPECT_EQ(minimised, AXValue(true));
}

TEST_F(SimWindowServerTest, DesktopLookupsFollowTheMaskAndDisappearWhenSwitchedOff) {
    const int pid = apps().launch("com.example.a", "A");
    const std::uint64_t second = server().addSpace();
    const AXElement w = apps().addWindow(pid, {"W", Rect(0, 0, 100, 100)});
    apps().setWindowSpaces(w, {SimWindowServer::kFirstSpace, second});
    const auto points = server().spaceEntryPoints();
    ASSERT_TRUE(points.isResolved());
    const int connection = points.mainConnectionID();
    const std::uint32_t number = *apps().windowNumber(w);
    EXPECT_EQ(points.activeSpace(connection), SimWindowServer::kFirstSpace);
    EXPECT_EQ(points.activeSpace(connection + 1), 0u);
    EXPECT_EQ(points.copySpacesForWindows(connection, 7, {number}),
              (std::vector<std::uint64_t>{SimWindowServer::kFirstSpace, second}));
    EXPECT_EQ(points.copySpacesForWindows(connection, 6, {number}), std::vector<std::uint64_t>{second});
    EXPECT_EQ(points.copySpacesForWindows(connection + 1, 7, {number}), std::nullopt);

    server().setSpaceInterfaceAvailable(false);
    EXPECT_FALSE(server().spaceEntryPoints().activeSpace);
    EXPECT_FALSE(server().isSpaceInterfaceAvailable());
}

TEST_F(SimWindowServerTest, ObserversHearRegisteredNotificationsOnTheMainQueueUntilDestroyed) {
    const int pid = apps().launch("com.example.a", "A");
    const AXElement app = apps().createApplication(pid);
    Events events;
    std::unique_ptr<AXObserver> observer;
    ASSERT_EQ(apps().createObserver(pid, [&](const AXElement& e, const std::string& n) { events.emplace_back(e, n); },
                                    observer),
              AXError::success);
    EXPECT_EQ(observer->addNotification(app, "AXWindowCreated"), AXError::success);
    EXPECT_EQ(observer->addNotification(app, "AXWindowCreated"), AXError::notificationAlreadyRegistered);
    EXPECT_EQ(observer->removeNotification(app, "AXMainWindowChanged"), AXError::notificationNotRegistered);
    const int other = apps().launch("com.example.b", "B");
    EXPECT_EQ(observer->addNotification(apps().createApplication(other), "AXWindowCreated"),
              AXError::illegalArgument);

    const AXElement w = apps().addWindow(pid, {"W", Rect(0, 0, 100, 100)});
    EXPECT_TRUE(events.empty());  // not synchronously
    m_env.desktop().runUntilIdle();
    EXPECT_EQ(events, (Events{{w, "AXWindowCreated"}}));
    EXPECT_EQ(observer->addNotification(w, "AXUIElementDestroyed"), AXError::success);
    apps().closeWindow(w);
    m_env.desktop().runUntilIdle();
    EXPECT_EQ(events.back(), (std::pair<AXElement, std::string>{w, "AXUIElementDestroyed"}));

    apps().addWindow(pid, {"Queued", Rect(0, 0, 100, 100)});
    observer.reset();
    m_env.desktop().runUntilIdle();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(apps().observerCount(pid), 0u);

    // A launching application cannot take registrations yet; without the permission nothing works.
    apps().setAccessible(pid, false);
    ASSERT_EQ(apps().createObserver(pid, [](const AXElement&, const std::string&) {}, observer), AXError::success);
    EXPECT_EQ(observer->addNotification(app, "AXWindowCreated"), AXError::cannotComplete);
    m_env.desktop().permissions().setAccessibilityTrusted(false);
    std::unique_ptr<AXObserver> refused;
    EXPECT_EQ(apps().createObserver(pid, [](const AXElement&, const std::string&) {}, refused), AXError::apiDisabled);
    EXPECT_FALSE(refused);
}

}  // namespace
}  // namespace tarnlet::sim
