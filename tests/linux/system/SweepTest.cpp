// Sweep run by the real program on the test desktop (openbox with two desktops): an xterm whose
// last window is gone is asked to quit, and an xterm whose window is on the other desktop is left
// running.

#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <string>

#include "linux/system/SystemTestSupport.h"
#include "platform/FileIO.h"

namespace tarnlet {
namespace {

std::string logText(const test::PrivateHome& home) { return FileIO::readFile(home.logFile()).value_or(""); }

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(LinuxDesktopSweep, QuitsAnApplicationWhoseLastWindowClosedAndLeavesOneWithAWindowOnTheOtherDesktop) {
    if (!std::getenv("DISPLAY") || !std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "needs an X server and a session bus (run under scripts/desktop-session)";
    test::ensureQtApplication();
    test::PrivateHome home;
    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "diagnostics.logging", "true"}), 0);
    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "sweep.isEnabled", "true"}), 0);

    // One xterm runs before Tarnlet starts, the other is launched while it runs.
    QProcess elsewhere;
    elsewhere.start("xterm", {"-geometry", "40x10+400+0"});
    ASSERT_TRUE(elsewhere.waitForStarted());
    const QString elsewhereWindow =
        test::runProgram("xdotool", {"search", "--sync", "--pid", QString::number(elsewhere.processId())});
    QProcess tarnlet;
    test::startTarnlet(tarnlet, home, {});
    ASSERT_TRUE(test::waitUntil([&] { return logText(home).find("Feature Sweep: ON") != std::string::npos; }))
        << tarnlet.readAllStandardError().toStdString();
    QProcess closing;
    closing.start("xterm", {"-geometry", "40x10+0+0"});
    ASSERT_TRUE(closing.waitForStarted());
    const QString closingWindow = test::runProgram("xdotool", {"search", "--sync", "--pid", QString::number(closing.processId())});
    ASSERT_FALSE(closingWindow.isEmpty() || elsewhereWindow.isEmpty());

    for (const QProcess* xterm : {&closing, &elsewhere}) {
        const std::string started = "pid " + std::to_string(xterm->processId()) + ": observer active";
        ASSERT_TRUE(test::waitUntil([&] { return logText(home).find(started) != std::string::npos; }))
            << "Sweep never watched the xterm: " << tarnlet.readAllStandardError().toStdString();
    }
    // Sweep notes that each has a window as it starts watching; that reading must come first.
    test::waitUntil([] { return false; }, 1.0);

    ASSERT_EQ(test::runProgram("xdotool", {"set_desktop_for_window", elsewhereWindow, "1"}), "");
    EXPECT_TRUE(test::waitUntil([&] {
        return logText(home).find("Check XTerm: ax=0 other=1 onscreen=0") != std::string::npos;
    })) << "the window on the other desktop was not counted there";

    ASSERT_EQ(test::runProgram("xdotool", {"windowunmap", closingWindow}), "");
    EXPECT_TRUE(test::waitUntil([&] { return closing.state() == QProcess::NotRunning; }, 30))
        << "the xterm without a window was not quit";
    const std::string log = logText(home);
    EXPECT_EQ(occurrences(log, "Quitting XTerm (debian-xterm)"), 1u) << log;
    EXPECT_EQ(elsewhere.state(), QProcess::Running);

    elsewhere.kill();
    elsewhere.waitForFinished();
    tarnlet.terminate();
    EXPECT_TRUE(tarnlet.waitForFinished(60000));
}

}  // namespace
}  // namespace tarnlet
