#include <gtest/gtest.h>

#include <memory>

#include "base/WeakToken.h"
#include "platform/Pasteboard.h"
#include "support/TestEnvironment.h"

namespace tarnlet::sim {
namespace {

TEST(SimPermissionsTest, BroadcastGoesOutAtOnceButTheGrantFlipsAfterTheLag) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto& permissions = desktop.permissions();
    permissions.setAccessibilityTrusted(false);
    std::vector<bool> trustSeenByObserver;
    auto sub = permissions.observeAccessibilityChanges(
        [&] { trustSeenByObserver.push_back(permissions.isAccessibilityTrusted()); });

    permissions.changeAccessibility(true, 1.0);
    desktop.runUntilIdle();
    // The observer is told at once and, like on the real system, still reads the old grant.
    EXPECT_EQ(trustSeenByObserver, (std::vector<bool>{false}));
    desktop.advanceBy(0.999);
    EXPECT_FALSE(permissions.isAccessibilityTrusted());
    desktop.advanceBy(0.001);
    EXPECT_TRUE(permissions.isAccessibilityTrusted());
    EXPECT_EQ(trustSeenByObserver.size(), 1u);
}

TEST(SimPasteboardTest, WritesCountAndTheFrontApplicationCopiesAndPastes) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto& pasteboard = desktop.pasteboard();
    const int start = pasteboard.changeCount();
    pasteboard.clearContents();
    pasteboard.setString("a");
    pasteboard.setData({1, 2}, "public.png");
    pasteboard.setString("b");  // the same type again keeps its place
    EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{PasteboardType::plainText, "public.png"}));
    EXPECT_EQ(pasteboard.string(), "b");
    EXPECT_EQ(pasteboard.string("public.png"), std::nullopt);
    EXPECT_EQ(pasteboard.changeCount(), start + 1);

    auto& keyboard = desktop.keyboard();
    const auto key = [](const char* name) { return *SimKeyboard::keyCode(name); };
    keyboard.setSelection({{PasteboardType::plainText, "copied"}});
    keyboard.press(key("c"));  // without ⌘ it is typing
    EXPECT_EQ(pasteboard.string(), "b");
    keyboard.keyDown(key("cmd"));
    keyboard.press(key("c"));
    keyboard.keyDown(key("shift"));
    keyboard.press(key("v"));  // ⌘⇧V is not a paste
    keyboard.keyUp(key("shift"));
    keyboard.press(key("v"));
    keyboard.keyUp(key("cmd"));
    ASSERT_EQ(keyboard.pasted().size(), 1u);
    EXPECT_EQ(keyboard.pasted()[0].text, "copied");
}

TEST(SimWorkspaceTest, ApplicationsComeAndGoWithTheirNotifications) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto& workspace = desktop.workspace();
    std::vector<std::string> heard;
    auto sub = workspace.observeApplications([&](WorkspaceEvent event, const RunningApplication& app) {
        static const char* names[] = {"launched", "terminated", "activated", "deactivated", "hidden", "unhidden"};
        heard.push_back(std::string(names[static_cast<int>(event)]) + " " + app.localizedName.value_or("?"));
    });
    const int mail = desktop.applications().launch("com.apple.mail", "Mail");
    const int notes = desktop.applications().launch("com.apple.Notes", "Notes");
    EXPECT_TRUE(workspace.runningApplication(mail)->isActive);  // the first one comes to the front
    workspace.activateApplication(notes);
    workspace.hide(notes);
    desktop.runUntilIdle();
    EXPECT_EQ(heard, (std::vector<std::string>{"launched Mail", "launched Notes", "deactivated Mail", "activated Notes",
                                               "deactivated Notes", "hidden Notes"}));
    EXPECT_TRUE(workspace.runningApplication(notes)->isHidden);
    EXPECT_EQ(workspace.frontmostApplicationPID(), std::nullopt);

    // A document with unsaved changes keeps its application running through a quit request.
    heard.clear();
    workspace.setRefusesToQuit(mail, true);
    EXPECT_TRUE(workspace.terminate(mail));
    desktop.runUntilIdle();
    EXPECT_TRUE(workspace.runningApplication(mail));
    workspace.setRefusesToQuit(mail, false);
    EXPECT_TRUE(workspace.terminate(mail));
    desktop.runUntilIdle();
    EXPECT_FALSE(workspace.runningApplication(mail));
    EXPECT_TRUE(desktop.applications().windows(mail).empty());
    EXPECT_EQ(heard, std::vector<std::string>{"terminated Mail"});
    EXPECT_FALSE(workspace.terminate(mail));
    EXPECT_EQ(workspace.terminateRequests().size(), 2u);
}

TEST(SimTaskQueuesTest, WorkThenReplyRunOnTheNextTurnAndReplyIsDroppedAfterOwnerDeath) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto queue = desktop.taskQueues().makeSerialQueue("census");
    EXPECT_EQ(queue->label(), "census");

    auto factory = std::make_unique<WeakFactory>();
    int worked = 0;
    int replies = 0;
    queue->postTaskAndReply<int>(factory->token(), std::function<int()>([&] { return ++worked * 10; }),
                                 std::function<void(int)>([&](int value) { replies += value; }));
    EXPECT_EQ(worked, 0);  // nothing runs synchronously
    desktop.runUntilIdle();
    EXPECT_EQ(worked, 1);
    EXPECT_EQ(replies, 10);

    queue->postTaskAndReply(factory->token(), [&] { ++worked; }, [&] { ++replies; });
    factory.reset();
    desktop.runUntilIdle();
    EXPECT_EQ(worked, 2);   // the work still runs
    EXPECT_EQ(replies, 10); // but its owner is gone, so the reply is dropped
}

TEST(SimInputIdleTest, HandsOnTheKeyboardAndMouseResetTheirOwnKindOnly) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    auto& idle = desktop.inputIdle();
    desktop.advanceBy(30);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::keyDown), 30);
    desktop.keyboard().press(0);
    desktop.mouse().moveTo({100, 100});
    desktop.advanceBy(2);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::keyDown), 2);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::mouseMoved), 2);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::scrollWheel), 32);
    desktop.keyboard().scroll();
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::scrollWheel), 0);

    // Typing on: never idle while it lasts; stopping counts from the moment it stopped.
    idle.setContinuous(EventType::keyDown, true);
    desktop.advanceBy(100);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::keyDown), 0);
    idle.setContinuous(EventType::keyDown, false);
    desktop.advanceBy(5);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::keyDown), 5);
    idle.setIdleFor(40);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::keyDown), 40);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastEvent(EventType::leftMouseDown), 40);
}

TEST(SimPowerAssertionsTest, ProcessesHoldAssertionsAndOurOwnAreRecordedInOrder) {
    test::TestEnvironment env;
    auto& power = env.desktop().powerAssertions();
    power.holdFor(900, "NoDisplaySleepAssertion");
    const auto first = power.create("PreventUserIdleDisplaySleep", "why");
    ASSERT_TRUE(first.id.has_value());
    const auto second = power.create("PreventUserIdleSystemSleep", "why");
    power.release(*first.id);
    power.release(*first.id);  // twice is harmless
    const auto byProcess = power.assertionsByProcess();
    ASSERT_TRUE(byProcess.has_value());
    EXPECT_EQ(byProcess->at(900), (std::vector<std::string>{"NoDisplaySleepAssertion"}));
    EXPECT_EQ(byProcess->at(SimSystemFacts::kProcessIdentifier), (std::vector<std::string>{"PreventUserIdleSystemSleep"}));
    EXPECT_EQ(power.history(), (std::vector<std::string>{"create PreventUserIdleDisplaySleep", "create PreventUserIdleSystemSleep",
                                                         "release PreventUserIdleDisplaySleep"}));
    power.setCreationFailure(-536870199);
    const auto refused = power.create("PreventUserIdleSystemSleep", "why");
    EXPECT_FALSE(refused.id.has_value());
    EXPECT_EQ(refused.resultCode, -536870199);
    power.setQueryAvailable(false);
    EXPECT_FALSE(power.assertionsByProcess().has_value());
    power.release(*second.id);
    EXPECT_TRUE(power.ownAssertions().empty());
}

TEST(SimVolumesTest, MountsAndUnmountsAreAnnouncedOnTheMainQueue) {
    test::TestEnvironment env;
    auto& desktop = env.desktop();
    std::vector<std::string> events;
    auto sub = desktop.volumes().observe([&](VolumeEvent event, const Volume& volume) {
        events.push_back((event == VolumeEvent::mounted ? "+" : "-") + volume.url.string());
    });
    desktop.volumes().mount("Backup");
    EXPECT_TRUE(events.empty());
    desktop.runUntilIdle();
    desktop.volumes().unmount("Backup");
    desktop.volumes().unmount("Nothing");
    desktop.runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string>{"+/Volumes/Backup", "-/Volumes/Backup"}));
    ASSERT_EQ(desktop.volumes().mountedVolumes().size(), 1u);  // the start-up disk
    EXPECT_EQ(desktop.volumes().mountedVolumes()[0].isInternal, true);
}

TEST(SimStatusBarTest, MenusCloseBeforeTheChosenActionAndOnlyEnabledItemsCanBeChosen) {
    SimStatusBar bar;
    EXPECT_FALSE(bar.click(StatusClick::left));
    auto item = bar.addItem();
    std::vector<std::string> log;
    item->setOnClick([&](StatusClick click) { log.push_back(click == StatusClick::left ? "left" : "right"); });
    EXPECT_TRUE(bar.click(StatusClick::right));

    Menu menu;
    MenuItem parent;
    parent.title = "Keep Awake";
    MenuItem child;
    child.title = "30 minutes";
    child.action = [&] { log.push_back(bar.isMenuOpen() ? "chosen while open" : "chosen"); };
    parent.submenu.push_back(child);
    MenuItem disabled;
    disabled.title = "no time limit";
    disabled.enabled = false;
    disabled.action = [&] { log.push_back("disabled ran"); };
    menu.push_back(parent);
    menu.push_back(MenuItem::separator());
    menu.push_back(disabled);
    item->popUpMenu(menu, [&] { log.push_back("closed"); });
    EXPECT_TRUE(bar.isMenuOpen());
    EXPECT_FALSE(bar.choose({"no time limit"}));
    EXPECT_FALSE(bar.choose({"Keep Awake", "45 minutes"}));
    EXPECT_TRUE(bar.choose({"Keep Awake", "30 minutes"}));
    EXPECT_FALSE(bar.isMenuOpen());
    EXPECT_EQ(log, (std::vector<std::string>{"right", "closed", "chosen"}));

    // An item that goes away with its handle leaves an empty bar.
    item.reset();
    EXPECT_EQ(bar.itemCount(), 0u);
}

}  // namespace
}  // namespace tarnlet::sim
