#include <gtest/gtest.h>

#include "support/TestEnvironment.h"
#include "windows/WindowActivator.h"

namespace tarnlet {
namespace {

using Hint = WindowActivator::TitleHint;

TEST(WindowActivatorHintSegmentTest, PicksTheLastPieceThatStartsWithALetter) {
    EXPECT_EQ(WindowActivator::hintSegment("main.cpp — Tarnlet"), "Tarnlet");
    EXPECT_EQ(WindowActivator::hintSegment("  Notes \n"), "Notes");
    // A last piece led by a digit gives way to the piece before it.
    EXPECT_EQ(WindowActivator::hintSegment("Report – Draft - 2"), "Draft");
    // Every separator splits every piece, whichever came first in the title.
    EXPECT_EQ(WindowActivator::hintSegment("a - b — 1 – 2"), "b");
    EXPECT_EQ(WindowActivator::hintSegment("1 — Ärger - 42"), "Ärger");
    // Without a letter-led piece the whole trimmed title stands.
    EXPECT_EQ(WindowActivator::hintSegment(" 1 - 2 "), "1 - 2");
    // A dash without spaces around it is part of a word, not a separator.
    EXPECT_EQ(WindowActivator::hintSegment("Jean-Luc—notes"), "Jean-Luc—notes");
    EXPECT_EQ(WindowActivator::hintSegment("   "), "");
}

class WindowActivatorTest : public ::testing::Test {
protected:
    sim::SimDesktop& desktop() { return m_env.desktop(); }
    sim::SimApplications& apps() { return desktop().applications(); }
    // Opens windows so that the application lists them in the given order.
    std::vector<AXElement> open(int pid, const std::vector<std::string>& titles) {
        std::vector<AXElement> windows(titles.size());
        for (std::size_t i = titles.size(); i-- > 0;) windows[i] = apps().addWindow(pid, {titles[i], Rect(0, 0, 400, 300)});
        return windows;
    }

    test::TestEnvironment m_env;
    WindowServices m_services{desktop().applications(), desktop().workspace(), desktop().screens()};
};

TEST_F(WindowActivatorTest, HintsTakeOneWindowPerInitialWithShortenedNames) {
    const int pid = apps().launch("com.example.mail", "Mail");
    open(pid, {"Mail — Inbox", "Index", "1 - 2", "  ", "Abcdefghij", "Kalendereintrag", "#42 bug",
               "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7 Family photos"});
    EXPECT_EQ(WindowActivator::titleHints(m_services, pid),
              (std::vector<Hint>{
                  {"i", "Inbox"},
                  {"1", "1 - 2"},
                  {"a", "Abcdefghij"},
                  {"k", "Kalendere…"},
                  {"b", "#42 bug"},
                  // The family emoji is one character however many code points it takes.
                  {"f", "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7 Family …"},
              }));
}

TEST_F(WindowActivatorTest, HintsAreEmptyWhenTheWindowsCannotBeRead) {
    const int pid = apps().launch("com.example.mail", "Mail");
    open(pid, {"Inbox"});
    desktop().permissions().setAccessibilityTrusted(false);
    EXPECT_TRUE(WindowActivator::titleHints(m_services, pid).empty());
    desktop().permissions().setAccessibilityTrusted(true);
    apps().setResponsive(pid, false);
    EXPECT_TRUE(WindowActivator::titleHints(m_services, pid).empty());
    EXPECT_DOUBLE_EQ(apps().stalledSeconds(), 1.0);
    apps().quit(pid);
    EXPECT_TRUE(WindowActivator::titleHints(m_services, pid).empty());
}

TEST_F(WindowActivatorTest, RaiseStepsThroughTheWindowsSharingAnInitial) {
    const int other = apps().launch("com.example.other", "Other");
    const int pid = apps().launch("com.example.editor", "Editor");
    const auto w = open(pid, {"Draft", "Notes", "Diary", "Design"});
    apps().setMainWindow(pid, w[3]);
    ASSERT_EQ(desktop().workspace().frontmostApplicationPID(), other);

    // The main window is the third of three matches, so the first comes next.
    WindowActivator::raise(m_services, pid, "D");
    EXPECT_EQ(apps().mainWindow(pid), w[0]);
    EXPECT_EQ(apps().focusedWindow(pid), w[0]);
    EXPECT_EQ(apps().windows(pid).front(), w[0]);
    EXPECT_EQ(desktop().workspace().frontmostApplicationPID(), pid);

    // Repeated presses visit every window sharing the letter, although each raise reorders the
    // application's window list.
    WindowActivator::raise(m_services, pid, "d");
    EXPECT_EQ(apps().mainWindow(pid), w[2]);
    WindowActivator::raise(m_services, pid, "d");
    EXPECT_EQ(apps().mainWindow(pid), w[3]);
    WindowActivator::raise(m_services, pid, "d");
    EXPECT_EQ(apps().mainWindow(pid), w[0]);

    // A main window outside the matches starts at the first match.
    WindowActivator::raise(m_services, pid, "n");
    EXPECT_EQ(apps().mainWindow(pid), w[1]);
    WindowActivator::raise(m_services, pid, "d");
    EXPECT_EQ(apps().mainWindow(pid), w[0]);
}

TEST_F(WindowActivatorTest, RaiseStartsAtTheWindowTheHintNames) {
    const int pid = apps().launch("com.example.mail", "Mail");
    // Opened as Inbox then Index, but the user brought Inbox forward before opening Notes: the
    // application lists Notes, Inbox, Index, and the hint for i names Inbox.
    const AXElement inbox = apps().addWindow(pid, {"Inbox", Rect(0, 0, 400, 300)});
    const AXElement index = apps().addWindow(pid, {"Index", Rect(0, 0, 400, 300)});
    apps().activateWindow(inbox);
    const AXElement notes = apps().addWindow(pid, {"Notes", Rect(0, 0, 400, 300)});
    ASSERT_EQ(apps().windows(pid), (std::vector<AXElement>{notes, inbox, index}));
    ASSERT_EQ(WindowActivator::titleHints(m_services, pid), (std::vector<Hint>{{"n", "Notes"}, {"i", "Inbox"}}));

    WindowActivator::raise(m_services, pid, "i");
    EXPECT_EQ(apps().mainWindow(pid), inbox);
    WindowActivator::raise(m_services, pid, "i");
    EXPECT_EQ(apps().mainWindow(pid), index);
    WindowActivator::raise(m_services, pid, "i");
    EXPECT_EQ(apps().mainWindow(pid), inbox);
}

TEST_F(WindowActivatorTest, RaiseWithoutAMatchChangesNothing) {
    const int other = apps().launch("com.example.other", "Other");
    const int pid = apps().launch("com.example.editor", "Editor");
    const auto w = open(pid, {"Draft", "Notes"});
    WindowActivator::raise(m_services, pid, "x");
    WindowActivator::raise(m_services, pid, "");
    EXPECT_EQ(apps().mainWindow(pid), w[0]);
    EXPECT_EQ(desktop().workspace().frontmostApplicationPID(), other);

    desktop().permissions().setAccessibilityTrusted(false);
    WindowActivator::raise(m_services, pid, "n");
    EXPECT_EQ(apps().mainWindow(pid), w[0]);
    EXPECT_EQ(desktop().workspace().frontmostApplicationPID(), other);
}

TEST_F(WindowActivatorTest, CopyElementGivesOnlyElementsAndTimesThemOut) {
    const int pid = apps().launch("com.example.editor", "Editor");
    const AXElement app = apps().createApplication(pid);
    EXPECT_FALSE(WindowActivator::copyElement(apps(), app, "AXMainWindow"));
    EXPECT_FALSE(WindowActivator::copyElement(apps(), app, "AXTitle"));
    const AXElement window = apps().addWindow(pid, {"Doc", Rect(0, 0, 100, 100)});
    EXPECT_EQ(WindowActivator::copyElement(apps(), app, "AXMainWindow"), window);
    EXPECT_EQ(apps().messagingTimeout(window), 1.0);
}

}  // namespace
}  // namespace tarnlet
