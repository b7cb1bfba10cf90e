#include <gtest/gtest.h>

#include <cmath>

#include "diagnostics/Log.h"
#include "support/TestEnvironment.h"
#include "windows/WindowCensus.h"
#include "windows/WindowSpaces.h"

namespace tarnlet {
namespace {

using sim::SimApplications;

WindowRecord record(std::optional<double> layer, std::optional<Rect> bounds, std::optional<double> alpha) {
    return {501, 7, layer, bounds, alpha};
}

TEST(WindowCensusRules, NormalWindowsSitOnLayerZeroWithReadableBoundsOfAtLeastFortyPoints) {
    EXPECT_TRUE(WindowCensus::isNormalWindow(record(0, Rect(0, 0, 40, 40), std::nullopt)));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(0, Rect(0, 0, 39, 400), std::nullopt)));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(0, Rect(0, 0, 400, 39.5), 1.0)));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(0, Rect(0, 0, 400, 400), 0.05)));
    EXPECT_TRUE(WindowCensus::isNormalWindow(record(0, Rect(0, 0, 400, 400), 0.051)));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(0, Rect(0, 0, 400, 400), std::nan(""))));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(3, Rect(0, 0, 400, 400), 1.0)));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(std::nullopt, Rect(0, 0, 400, 400), 1.0)));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(0, std::nullopt, 1.0)));
    EXPECT_FALSE(WindowCensus::isNormalWindow(record(0, Rect(0, 0, std::nan(""), 400), 1.0)));
}

class WindowCensusTest : public ::testing::Test {
protected:
    void SetUp() override {
        Log::setSystemLog(&desktop().systemLog());
        pid = apps().launch("com.example.editor", "Editor");
    }
    void TearDown() override { Log::setSystemLog(nullptr); }

    sim::SimDesktop& desktop() { return m_env.desktop(); }
    SimApplications& apps() { return desktop().applications(); }
    sim::SimWindowServer& server() { return desktop().windowServer(); }
    std::optional<int> keepAlive() { return WindowCensus::keepAliveWindowCount(apps(), apps().createApplication(pid)); }
    AXElement window(std::string subrole = "AXStandardWindow", std::optional<std::vector<std::uint64_t>> spaces = {}) {
        SimApplications::WindowSpec spec{"Doc", Rect(100, 100, 400, 300), std::move(subrole)};
        spec.spaces = std::move(spaces);
        return apps().addWindow(pid, spec);
    }

    test::TestEnvironment m_env;
    int pid = 0;
};

TEST_F(WindowCensusTest, KeepAliveCountTellsNoWindowsFromAnUnanswerableApplication) {
    // An application without windows has no window list to give: that is zero, while an
    // application that cannot answer has no count at all.
    EXPECT_EQ(keepAlive(), 0);
    apps().setResponsive(pid, false);
    EXPECT_EQ(keepAlive(), std::nullopt);
    apps().setResponsive(pid, true);
    desktop().permissions().setAccessibilityTrusted(false);
    EXPECT_EQ(keepAlive(), std::nullopt);
    desktop().permissions().setAccessibilityTrusted(true);

    // Dialogs, windows without a readable subrole and unknown ones count; a floating panel does not.
    window("AXStandardWindow");
    window("AXDialog");
    window("AXSystemDialog");
    window("");
    window("AXUnknown");
    window("AXFloatingWindow");
    window("AXSheet");
    EXPECT_EQ(keepAlive(), 5);
    // Minimised windows are still the application's windows.
    apps().setMinimized(apps().windows(pid).front(), true);
    EXPECT_EQ(keepAlive(), 5);
}

// An accessibility service whose window list always fails with one error.
class FailingWindows : public Accessibility {
public:
    explicit FailingWindows(AXError error) : m_error(error) {}
    AXElement createApplication(int pid) override { return AXElement(static_cast<std::uint64_t>(pid)); }
    AXError setMessagingTimeout(const AXElement&, double) override { return AXError::success; }
    AXError copyAttribute(const AXElement&, const std::string&, AXValue&) override { return m_error; }
    AXError isAttributeSettable(const AXElement&, const std::string&, bool&) override { return m_error; }
    AXError setAttribute(const AXElement&, const std::string&, const AXValue&) override { return m_error; }
    AXError performAction(const AXElement&, const std::string&) override { return m_error; }
    AXError createObserver(int, AXObserverCallback, std::unique_ptr<AXObserver>&) override { return m_error; }

private:
    AXError m_error;
};

TEST(WindowCensusKeepAlive, NoValueMeansNoWindowsAndAnyOtherErrorMeansUnknown) {
    FailingWindows noValue(AXError::noValue);
    EXPECT_EQ(WindowCensus::keepAliveWindowCount(noValue, AXElement(1)), 0);
    for (const AXError error : {AXError::cannotComplete, AXError::attributeUnsupported, AXError::failure}) {
        FailingWindows failing(error);
        EXPECT_EQ(WindowCensus::keepAliveWindowCount(failing, AXElement(1)), std::nullopt);
    }
}

TEST_F(WindowCensusTest, OnScreenCountLeavesOutMinimisedWindowsOtherDesktopsAndOtherApplications) {
    const std::uint64_t second = server().addSpace();
    const AXElement shown = window();
    const AXElement minimised = window();
    window("AXStandardWindow", std::vector<std::uint64_t>{second});
    apps().addWindow(pid, {"Palette", Rect(0, 0, 200, 200), "AXFloatingWindow", {}, true, 3.0});
    apps().addWindow(pid, {"Badge", Rect(0, 0, 30, 30)});
    const int other = apps().launch("com.example.other", "Other");
    apps().addWindow(other, {"Elsewhere", Rect(0, 0, 400, 400)});
    apps().setMinimized(minimised, true);

    EXPECT_EQ(WindowCensus::onScreenWindowCount(server(), pid), 1);
    // Showing the second desktop swaps which window is on screen.
    server().activateSpace(second);
    EXPECT_EQ(WindowCensus::onScreenWindowCount(server(), pid), 1);
    apps().closeWindow(shown);
    EXPECT_EQ(WindowCensus::onScreenWindowCount(server(), pid), 1);
    server().setWindowListAvailable(false);
    EXPECT_EQ(WindowCensus::onScreenWindowCount(server(), pid), std::nullopt);
}

TEST_F(WindowCensusTest, OtherDesktopCountCoversNormalWindowsNotOnTheShownDesktop) {
    const std::uint64_t first = sim::SimWindowServer::kFirstSpace;
    const std::uint64_t second = server().addSpace();
    const std::uint64_t third = server().addSpace();
    window("AXStandardWindow", std::vector<std::uint64_t>{first});
    window("AXStandardWindow", std::vector<std::uint64_t>{second});
    const AXElement minimisedElsewhere = window("AXStandardWindow", std::vector<std::uint64_t>{third});
    apps().setMinimized(minimisedElsewhere, true);
    // On every desktop, the shown one among them: not elsewhere.
    window("AXStandardWindow", std::vector<std::uint64_t>{first, second, third});
    // On no desktop at all: the lookup cannot place it elsewhere.
    window("AXStandardWindow", std::vector<std::uint64_t>{});
    apps().addWindow(pid, {"Palette", Rect(0, 0, 200, 200), "AXFloatingWindow", {}, true, 3.0, 1.0, {{second}}});

    const WindowSpaces spaces(server());
    ASSERT_TRUE(spaces.symbolsResolved());
    EXPECT_EQ(spaces.activeSpace(), first);
    EXPECT_EQ(WindowCensus::otherSpaceWindowCount(server(), spaces, pid), 2);
    server().activateSpace(second);
    EXPECT_EQ(WindowCensus::otherSpaceWindowCount(server(), spaces, pid), 2);
    server().setWindowListAvailable(false);
    EXPECT_EQ(WindowCensus::otherSpaceWindowCount(server(), spaces, pid), std::nullopt);
}

TEST_F(WindowCensusTest, WithoutTheDesktopLookupsTheOtherDesktopCountIsUnknownAndSaidOnce) {
    window("AXStandardWindow", std::vector<std::uint64_t>{server().addSpace()});
    server().setSpaceInterfaceAvailable(false);
    EXPECT_FALSE(server().isSpaceInterfaceAvailable());
    const WindowSpaces spaces(server());
    EXPECT_FALSE(spaces.symbolsResolved());
    EXPECT_EQ(spaces.connection(), 0);
    EXPECT_EQ(spaces.activeSpace(), 0u);
    EXPECT_EQ(WindowCensus::otherSpaceWindowCount(server(), spaces, pid), std::nullopt);
    EXPECT_FALSE(spaces.isOnOtherSpace(*apps().windowNumber(apps().windows(pid).front()), 1));
    // The on-screen count does not depend on the lookups.
    EXPECT_EQ(WindowCensus::onScreenWindowCount(server(), pid), 0);

    const auto& lines = desktop().systemLog().lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].error);
    EXPECT_EQ(lines[0].text, "SkyLight Spaces API unavailable; falling back to Accessibility-only window counting");

    // Resolved once: the lookups coming back later do not change an instance already built.
    server().setSpaceInterfaceAvailable(true);
    EXPECT_FALSE(spaces.symbolsResolved());
}

// A window server whose desktop lookups answer with canned values.
class CannedSpaces : public WindowServer {
public:
    std::optional<std::vector<WindowRecord>> windowList(WindowListOptions) const override { return list; }
    SpaceEntryPoints spaceEntryPoints() const override {
        SpaceEntryPoints points;
        points.mainConnectionID = [] { return 9; };
        points.activeSpace = [this](int) { return active; };
        points.copySpacesForWindows = [this](int connection, std::uint32_t mask, const std::vector<std::uint32_t>& ids)
            -> std::optional<std::vector<std::uint64_t>> {
            if (connection != 9 || mask != kAllSpacesMask || ids.size() != 1) return std::vector<std::uint64_t>{};
            const auto it = spacesByWindow.find(ids[0]);
            if (it == spacesByWindow.end()) return std::nullopt;
            return it->second;
        };
        return points;
    }
    std::optional<std::vector<WindowRecord>> list = std::vector<WindowRecord>{};
    std::uint64_t active = 10;
    std::map<std::uint32_t, std::vector<std::uint64_t>> spacesByWindow;
};

TEST(WindowSpacesLookups, AWindowIsElsewhereOnlyWhenListedAndNeverOnTheShownDesktop) {
    CannedSpaces server;
    server.spacesByWindow = {{1, {10, 11}}, {2, {}}, {3, {12, 13}}, {4, {10}}};
    const WindowSpaces spaces(server);
    EXPECT_EQ(spaces.connection(), 9);
    EXPECT_FALSE(spaces.isOnOtherSpace(1, 10));
    EXPECT_EQ(spaces.otherSpace(1, 10), 11u);
    EXPECT_FALSE(spaces.isOnOtherSpace(2, 10));
    EXPECT_EQ(spaces.otherSpace(2, 10), std::nullopt);
    EXPECT_TRUE(spaces.isOnOtherSpace(3, 10));
    EXPECT_EQ(spaces.otherSpace(3, 10), 12u);
    EXPECT_EQ(spaces.otherSpace(4, 10), std::nullopt);
    EXPECT_FALSE(spaces.isOnOtherSpace(99, 10));
    EXPECT_EQ(spaces.otherSpace(99, 10), std::nullopt);
}

TEST(WindowSpacesLookups, OtherDesktopCountNeedsAWindowNumberAndTakesDesktopZeroAsADesktop) {
    CannedSpaces server;
    server.spacesByWindow = {{1, {11}}, {2, {11}}, {3, {0}}};
    const Rect big(0, 0, 500, 500);
    server.list = std::vector<WindowRecord>{{77, 1, 0, big, 1.0}, {77, std::nullopt, 0, big, 1.0},
                                            {78, 2, 0, big, 1.0}, {std::nullopt, 2, 0, big, 1.0},
                                            {77, 3, 0, big, 1.0}};
    const WindowSpaces spaces(server);
    EXPECT_EQ(WindowCensus::otherSpaceWindowCount(server, spaces, 77), 2);
    // Desktops numbered from 0 are common: the first one shown still leaves a full-screen window on
    // another desktop counted, so its application is not taken for windowless.
    server.active = 0;
    EXPECT_EQ(WindowCensus::otherSpaceWindowCount(server, spaces, 77), 1);
}

}  // namespace
}  // namespace tarnlet
