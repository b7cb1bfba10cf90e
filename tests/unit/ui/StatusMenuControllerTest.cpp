#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "ui/MenuBarIcon.h"
#include "ui/StatusMenuController.h"
#include "ui/TimeText.h"

namespace tarnlet {
namespace {

// The simulated user's alerts, noting whether the application had been brought to the front by
// the time each prompt ran.
class FrontCheckingAlerts : public Alerts {
public:
    FrontCheckingAlerts(sim::SimAlerts& alerts, sim::SimWorkspace& workspace) : m_alerts(alerts), m_workspace(workspace) {}
    NumberPromptAnswer runNumberPrompt(const NumberPrompt& prompt) override {
        activationsAtPrompt.push_back(m_workspace.selfActivationCount());
        return m_alerts.runNumberPrompt(prompt);
    }
    std::vector<int> activationsAtPrompt;

private:
    sim::SimAlerts& m_alerts;
    sim::SimWorkspace& m_workspace;
};

class StatusMenuControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        menu.onOpenSettings = [this] { calls.push_back("settings"); };
        menu.walkthroughProgress = [this] { return walkthrough; };
        menu.onResumeWalkthrough = [this] { calls.push_back("walkthrough"); };
        menu.onToggleAwake = [this] { calls.push_back("toggle"); };
        menu.awakeSession = [this] { return session; };
        menu.awakeDuration = [this] { return duration; };
        menu.setAwakeDuration = [this](int minutes) {
            calls.push_back("duration " + std::to_string(minutes));
            duration = minutes;
        };
        menu.allowsDisplaySleep = [this] { return displaySleep; };
        menu.setAllowsDisplaySleep = [this](bool allowed) {
            calls.push_back(allowed ? "display sleep on" : "display sleep off");
            displaySleep = allowed;
        };
        menu.attach(desktop.statusBar().addItem());
    }

    // Left-clicks the icon and returns the menu that opened.
    const Menu& open() {
        desktop.statusBar().click(StatusClick::left);
        return desktop.statusBar().openMenu();
    }
    // Titles of a menu level, a separator reading "---".
    static std::vector<std::string> titles(const Menu& items) {
        std::vector<std::string> out;
        for (const MenuItem& item : items) out.push_back(item.isSeparator ? "---" : item.title);
        return out;
    }
    static const MenuItem& find(const Menu& items, const std::string& title) {
        for (const MenuItem& item : items)
            if (!item.isSeparator && item.title == title) return item;
        static const MenuItem kMissing;
        ADD_FAILURE() << "no item " << title;
        return kMissing;
    }
    const Menu& submenu() { return find(open(), "Keep Awake").submenu; }
    // Answers the custom-duration prompt that the "Custom…" entry brings up.
    void pickCustom(NumberPromptAnswer answer) {
        open();
        desktop.alerts().answerNext(std::move(answer));
        ASSERT_TRUE(desktop.statusBar().choose({"Keep Awake", "Custom…"}));
        desktop.runUntilIdle();
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    FrontCheckingAlerts alerts{desktop.alerts(), desktop.workspace()};
    StatusMenuController menu{desktop.queue(), alerts, desktop.workspace(), desktop.systemFacts()};

    std::vector<std::string> calls;
    std::optional<StatusMenuController::WalkthroughProgress> walkthrough;
    std::optional<StatusMenuController::AwakeSession> session;
    int duration = 0;
    bool displaySleep = false;
};

TEST_F(StatusMenuControllerTest, RightClickTogglesWithoutMenuAndLeftClickOpensIt) {
    desktop.statusBar().click(StatusClick::right);
    EXPECT_FALSE(desktop.statusBar().isMenuOpen());
    EXPECT_FALSE(menu.isMenuAttached());
    EXPECT_EQ(calls, std::vector<std::string>{"toggle"});

    desktop.statusBar().click(StatusClick::left);
    EXPECT_TRUE(desktop.statusBar().isMenuOpen());
    EXPECT_TRUE(menu.isMenuAttached());
    EXPECT_EQ(calls.size(), 1u);

    // Once the menu closed, a right click toggles again instead of reopening it.
    desktop.statusBar().dismissMenu();
    EXPECT_FALSE(menu.isMenuAttached());
    desktop.statusBar().click(StatusClick::right);
    EXPECT_FALSE(desktop.statusBar().isMenuOpen());
    EXPECT_EQ(calls, (std::vector<std::string>{"toggle", "toggle"}));

    // Opening again while open replaces the menu; the old one's close leaves the new one attached.
    open();
    open();
    EXPECT_TRUE(menu.isMenuAttached());
    desktop.statusBar().dismissMenu();
    EXPECT_FALSE(menu.isMenuAttached());
}

TEST_F(StatusMenuControllerTest, MenuWithoutSessionWalkthroughOrUpdater) {
    const Menu& items = open();
    EXPECT_EQ(titles(items), (std::vector<std::string>{"Keep Awake", "---", "Settings…", "---", "Quit Tarnlet"}));
    EXPECT_FALSE(items[0].checked);
    EXPECT_EQ(items[2].keyEquivalent, ",");
    EXPECT_EQ(items[4].keyEquivalent, "q");
    EXPECT_EQ(titles(items[0].submenu),
              (std::vector<std::string>{"No time limit", "---", "15 minutes", "30 minutes", "1 hour", "2 hours", "5 hours",
                                        "Custom…", "---", "Allow Display to Sleep", "---", "Start Session"}));
    EXPECT_TRUE(items[0].submenu[0].checked);
    const std::vector<int> tags{items[0].submenu[2].tag, items[0].submenu[3].tag, items[0].submenu[4].tag,
                                items[0].submenu[5].tag, items[0].submenu[6].tag};
    EXPECT_EQ(tags, (std::vector<int>{15, 30, 60, 120, 300}));
}

TEST_F(StatusMenuControllerTest, RunningSessionIsCheckedAndDescribed) {
    session = StatusMenuController::AwakeSession{std::nullopt, std::nullopt};
    const Menu& items = open();
    ASSERT_GE(items.size(), 2u);
    EXPECT_TRUE(items[0].checked);
    EXPECT_EQ(items[1].title, "no time limit");
    EXPECT_FALSE(items[1].enabled);
    EXPECT_EQ(items[1].indentation, 1);
    EXPECT_EQ(items[0].submenu.back().title, "End Session Now");
    EXPECT_FALSE(desktop.statusBar().choose({"no time limit"}));

    // A timed, triggered session: the end is written in the user's locale and time zone. The
    // simulated clock starts at 09:00 UTC on 1 January 2026, 10:00 in Berlin.
    desktop.statusBar().dismissMenu();
    desktop.systemFacts().setLocaleIdentifier("de_DE");
    desktop.systemFacts().setTimeZoneIdentifier("Europe/Berlin");
    session = StatusMenuController::AwakeSession{desktop.queue().wallNow() + 45 * 60, "Keynote is running"};
    EXPECT_EQ(open()[1].title, "until 10:45, because Keynote is running");
    desktop.statusBar().dismissMenu();
    session = StatusMenuController::AwakeSession{desktop.queue().wallNow() + 15 * 3600, std::nullopt};
    EXPECT_EQ(open()[1].title, "until 01:00 tomorrow");
}

TEST_F(StatusMenuControllerTest, DurationOutsideThePresetsIsAddedChecked) {
    duration = 45;
    const Menu& items = submenu();
    EXPECT_EQ(titles(items),
              (std::vector<std::string>{"No time limit", "---", "15 minutes", "30 minutes", "1 hour", "2 hours", "5 hours",
                                        "45 minutes", "Custom…", "---", "Allow Display to Sleep", "---", "Start Session"}));
    for (int i = 0; i <= 6; ++i) EXPECT_FALSE(items[i].checked) << items[i].title;
    EXPECT_TRUE(items[7].checked);
    EXPECT_EQ(items[7].tag, 45);

    // A preset is checked in place, with no extra entry.
    desktop.statusBar().dismissMenu();
    duration = 120;
    const Menu& presets = submenu();
    EXPECT_EQ(presets.size(), 12u);
    EXPECT_TRUE(find(presets, "2 hours").checked);
    EXPECT_FALSE(find(presets, "No time limit").checked);
}

TEST_F(StatusMenuControllerTest, MenuIsRebuiltOnEveryOpening) {
    duration = 30;
    EXPECT_TRUE(find(submenu(), "30 minutes").checked);
    desktop.statusBar().dismissMenu();

    duration = 90;
    displaySleep = true;
    session = StatusMenuController::AwakeSession{std::nullopt, "an external display is connected"};
    walkthrough = StatusMenuController::WalkthroughProgress{0, 14};
    const Menu& items = open();
    EXPECT_EQ(titles(items).front(), "Getting Started — 1 of 14");
    const Menu& sub = find(items, "Keep Awake").submenu;
    EXPECT_FALSE(find(sub, "30 minutes").checked);
    EXPECT_TRUE(find(sub, "90 minutes").checked);
    EXPECT_TRUE(find(sub, "Allow Display to Sleep").checked);
    EXPECT_EQ(find(items, "no time limit, because an external display is connected").indentation, 1);
}

TEST_F(StatusMenuControllerTest, ChoicesCallTheirCallbacks) {
    walkthrough = StatusMenuController::WalkthroughProgress{2, 14};
    int updateChecks = 0;
    menu.onCheckForUpdates = [&] { ++updateChecks; };

    auto choose = [&](std::vector<std::string> path) {
        open();
        EXPECT_TRUE(desktop.statusBar().choose(path)) << path.back();
        EXPECT_FALSE(menu.isMenuAttached());
    };
    choose({"Getting Started — 3 of 14"});
    choose({"Keep Awake"});
    choose({"Keep Awake", "Start Session"});
    choose({"Keep Awake", "2 hours"});
    choose({"Keep Awake", "No time limit"});
    choose({"Keep Awake", "Allow Display to Sleep"});
    choose({"Keep Awake", "Allow Display to Sleep"});
    choose({"Settings…"});
    choose({"Check for Updates…"});
    EXPECT_EQ(calls, (std::vector<std::string>{"walkthrough", "toggle", "toggle", "duration 120", "duration 0",
                                               "display sleep on", "display sleep off", "settings"}));
    EXPECT_EQ(updateChecks, 1);

    duration = 45;
    choose({"Keep Awake", "45 minutes"});
    EXPECT_EQ(calls.back(), "duration 45");

    EXPECT_EQ(desktop.workspace().terminateCount(), 0);
    choose({"Quit Tarnlet"});
    EXPECT_EQ(desktop.workspace().terminateCount(), 1);
}

TEST_F(StatusMenuControllerTest, MissingCallbacksLeaveAWorkingMenu) {
    StatusMenuController bare{desktop.queue(), desktop.alerts(), desktop.workspace(), desktop.systemFacts()};
    sim::SimStatusBar bar;
    bare.attach(bar.addItem());
    bar.click(StatusClick::right);
    bar.click(StatusClick::left);
    ASSERT_TRUE(bar.isMenuOpen());
    const Menu& sub = bar.openMenu().front().submenu;
    EXPECT_TRUE(sub.front().checked);  // no duration reads as no limit
    EXPECT_FALSE(find(sub, "Allow Display to Sleep").checked);
    EXPECT_TRUE(bar.choose({"Keep Awake", "Allow Display to Sleep"}));
    bar.click(StatusClick::left);
    EXPECT_TRUE(bar.choose({"Keep Awake", "1 hour"}));
}

TEST_F(StatusMenuControllerTest, WalkthroughTitleAndProgressAreClamped) {
    walkthrough = StatusMenuController::WalkthroughProgress{2, 14};
    const Menu& items = open();
    EXPECT_EQ(items[0].title, "Getting Started — 3 of 14");
    EXPECT_TRUE(items[1].isSeparator);
    ASSERT_TRUE(items[0].image.has_value());
    ASSERT_TRUE(items[0].image->drawing);
    EXPECT_EQ(items[0].image->drawing->size, (Size{34, 8}));

    struct Case {
        int index, total;
        const char* title;
        double fraction;
    };
    const Case cases[] = {
        {0, 14, "Getting Started — 1 of 14", 1.0 / 14},
        {13, 14, "Getting Started — 14 of 14", 1.0},
        {14, 14, "Getting Started — 14 of 14", 1.0},
        {40, 14, "Getting Started — 14 of 14", 1.0},
        {-3, 14, "Getting Started — 1 of 14", 1.0 / 14},
        {0, 0, "Getting Started — 1 of 0", 1.0},
        {5, 0, "Getting Started — 1 of 0", 1.0},
        {2, -4, "Getting Started — 1 of 0", 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusMenuController::walkthroughTitle(c.index, c.total), c.title) << c.index << " of " << c.total;
        EXPECT_DOUBLE_EQ(StatusMenuController::walkthroughFraction(c.index, c.total), c.fraction)
            << c.index << " of " << c.total;
    }
}

// The width of the bar's filled part, 0 when nothing is filled.
double filledWidth(const Image& bar) {
    double width = 0;
    for (const DrawOp& op : bar.drawing->ops)
        if (const auto* rect = std::get_if<draw::RoundedRect>(&op); rect && rect->fill && !rect->border)
            width = rect->rect.width();
    return width;
}

TEST_F(StatusMenuControllerTest, ProgressBarFillsToTheFraction) {
    EXPECT_DOUBLE_EQ(filledWidth(StatusMenuController::progressBar(0.5)), 17);
    EXPECT_DOUBLE_EQ(filledWidth(StatusMenuController::progressBar(1)), 34);
    EXPECT_DOUBLE_EQ(filledWidth(StatusMenuController::progressBar(0)), 0);
    EXPECT_DOUBLE_EQ(filledWidth(StatusMenuController::progressBar(2.5)), 34);
    EXPECT_DOUBLE_EQ(filledWidth(StatusMenuController::progressBar(-1)), 0);
    EXPECT_DOUBLE_EQ(filledWidth(StatusMenuController::progressBar(std::nan(""))), 0);

    walkthrough = StatusMenuController::WalkthroughProgress{6, 14};
    EXPECT_DOUBLE_EQ(filledWidth(*open().front().image), 34.0 * 7 / 14);
}

TEST_F(StatusMenuControllerTest, CustomDurationPromptRunsAfterTheMenuClosed) {
    open();
    desktop.alerts().answerNext({0, "45", 0});
    ASSERT_TRUE(desktop.statusBar().choose({"Keep Awake", "Custom…"}));
    EXPECT_TRUE(desktop.alerts().shown().empty());  // not inside the menu's own handling
    EXPECT_FALSE(desktop.statusBar().isMenuOpen());
    desktop.runUntilIdle();

    ASSERT_EQ(desktop.alerts().shown().size(), 1u);
    const NumberPrompt& prompt = desktop.alerts().shown().front();
    EXPECT_EQ(prompt.message, "Custom Keep-Awake Duration");
    EXPECT_EQ(prompt.informativeText, "How long should the Mac stay awake?");
    EXPECT_EQ(prompt.buttons, (std::vector<std::string>{"Start", "Cancel"}));
    ASSERT_EQ(prompt.units.size(), 2u);
    EXPECT_EQ(alerts.activationsAtPrompt, std::vector<int>{1});  // brought to the front first
    EXPECT_EQ(calls, std::vector<std::string>{"duration 45"});

    // The new length shows, checked, at the next opening.
    EXPECT_TRUE(find(submenu(), "45 minutes").checked);
}

TEST_F(StatusMenuControllerTest, CustomDurationInHoursAndBadAnswers) {
    pickCustom({0, "3", 1});
    EXPECT_EQ(calls, std::vector<std::string>{"duration 180"});
    pickCustom({0, " 20\n", 0});
    EXPECT_EQ(calls.back(), "duration 20");
    pickCustom({0, "007", 0});
    EXPECT_EQ(calls.back(), "duration 7");
    pickCustom({0, "1", 0});
    EXPECT_EQ(calls.back(), "duration 1");
    EXPECT_EQ(find(submenu(), "1 minute").tag, 1);
    desktop.statusBar().dismissMenu();
    calls.clear();

    // None of these change anything: cancelled, dismissed, not a whole number of at least 1, too
    // large to count, or an unknown unit.
    const NumberPromptAnswer refused[] = {
        {1, "45", 0},  {-1, "45", 0},  {0, "0", 0},           {0, "-3", 0},          {0, "abc", 0},
        {0, "1.5", 0}, {0, "", 0},     {0, "   ", 0},         {0, "+5", 0},          {0, "4 5", 0},
        {0, "1e3", 0}, {0, "0x10", 0}, {0, "٤٥", 0},          {0, "99999999999", 0}, {0, "2147483648", 0},
        {0, "12", 2},  {0, "12", -1},  {0, "2147483647", 1},
    };
    for (const NumberPromptAnswer& answer : refused) pickCustom(answer);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(desktop.alerts().shown().size(), 4u + std::size(refused));

    // The largest whole number of hours that still fits is taken.
    pickCustom({0, "35791394", 1});
    EXPECT_EQ(calls, std::vector<std::string>{"duration 2147483640"});
}

TEST_F(StatusMenuControllerTest, IconShowsTheSessionState) {
    // The item shows the idle icon from the moment it is handed over.
    ASSERT_TRUE(desktop.statusBar().image().has_value());
    EXPECT_EQ(desktop.statusBar().image()->name, MenuBarIcon::kName);
    menu.updateIcon(true);
    menu.updateIcon(false);
    const Image idle = *desktop.statusBar().image();
    EXPECT_EQ(idle.name, MenuBarIcon::kName);
    ASSERT_TRUE(idle.drawing);
    EXPECT_EQ(idle.drawing->size, (Size{15, 14}));

    menu.updateIcon(true);
    const Image active = *desktop.statusBar().image();
    EXPECT_EQ(active.name, MenuBarIcon::kActiveName);
    EXPECT_EQ(active.drawing->size, (Size{15, 14}));
    // Visibly different: the active cup is filled.
    auto fills = [](const Image& image) {
        return std::count_if(image.drawing->ops.begin(), image.drawing->ops.end(),
                             [](const DrawOp& op) { return std::holds_alternative<draw::FillPath>(op); });
    };
    EXPECT_EQ(fills(idle), 0);
    EXPECT_GT(fills(active), 0);

    menu.updateIcon(false);
    EXPECT_EQ(desktop.statusBar().image()->name, MenuBarIcon::kName);
}

TEST_F(StatusMenuControllerTest, NothingRunsAfterTheControllerIsGone) {
    auto doomed = std::make_unique<StatusMenuController>(desktop.queue(), desktop.alerts(), desktop.workspace(),
                                                         desktop.systemFacts());
    int durationsSet = 0;
    doomed->setAwakeDuration = [&](int) { ++durationsSet; };
    sim::SimStatusBar bar;
    doomed->attach(bar.addItem());
    bar.click(StatusClick::left);
    desktop.alerts().answerNext({0, "10", 0});
    ASSERT_TRUE(bar.choose({"Keep Awake", "Custom…"}));
    doomed.reset();  // the posted prompt must not reach a dead controller
    desktop.runUntilIdle();
    EXPECT_TRUE(desktop.alerts().shown().empty());
    EXPECT_EQ(durationsSet, 0);
    EXPECT_EQ(bar.itemCount(), 0u);  // the item left the bar with its owner
}

TEST(TimeText, MinutesAndHours) {
    EXPECT_EQ(TimeText::minutes(15), "15 minutes");
    EXPECT_EQ(TimeText::minutes(45), "45 minutes");
    EXPECT_EQ(TimeText::minutes(60), "1 hour");
    EXPECT_EQ(TimeText::minutes(90), "90 minutes");
    EXPECT_EQ(TimeText::minutes(120), "2 hours");
    EXPECT_EQ(TimeText::minutes(300), "5 hours");
    EXPECT_EQ(TimeText::minutes(1), "1 minute");
    EXPECT_EQ(TimeText::minutes(59), "59 minutes");
    EXPECT_EQ(TimeText::minutes(61), "61 minutes");
    EXPECT_EQ(TimeText::minutes(1440), "24 hours");
}

}  // namespace
}  // namespace tarnlet
