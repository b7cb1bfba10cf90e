// On the test desktop (scripts/desktop-session): real X server, real session bus, real processes.

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "linux/system/SystemTestSupport.h"
#include "platform/FileIO.h"
#include "platform/linux/X11InputIdle.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;

bool logContains(const test::PrivateHome& home, const std::string& text) {
    return FileIO::readFile(home.logFile()).value_or("").find(text) != std::string::npos;
}

class LinuxDesktopInputIdle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (run under scripts/desktop-session)";
        m_connection = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(m_connection));
        test::ensureQtApplication();
    }
    void TearDown() override {
        if (m_connection) xcb_disconnect(m_connection);
    }
    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root; }

    xcb_connection_t* m_connection = nullptr;
};

// Each kind of input resets its own idle time and leaves the others running: typing is not
// pointing, and a turn of the wheel is neither.
TEST_F(LinuxDesktopInputIdle, EachKindOfInputResetsItsOwnClock) {
    linux_desktop::X11InputIdle idle(m_connection, root());
    ASSERT_TRUE(idle.watchesRawEvents()) << "the X server offers no XInput2";
    const EventType kinds[] = {EventType::keyDown, EventType::mouseMoved, EventType::scrollWheel,
                               EventType::leftMouseDown};
    struct Step {
        const char* command;
        EventType kind;
    };
    const Step steps[] = {{"xdotool key shift", EventType::keyDown},
                          {"xdotool mousemove_relative 21 34", EventType::mouseMoved},
                          {"xdotool click 4", EventType::scrollWheel},
                          {"xdotool click 1", EventType::leftMouseDown},
                          {"xdotool mousemove_relative -- -15 -20", EventType::mouseMoved}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        // Some quiet first, so that a reset shows.
        ASSERT_TRUE(test::waitUntil([&] {
            for (EventType kind : kinds)
                if (idle.secondsSinceLastEvent(kind) < 0.3) return false;
            return true;
        }));
        std::map<EventType, double> before;
        for (EventType kind : kinds) before[kind] = idle.secondsSinceLastEvent(kind);

        ASSERT_EQ(std::system(step.command), 0);
        ASSERT_TRUE(test::waitUntil([&] { return idle.secondsSinceLastEvent(step.kind) < before[step.kind]; }));
        for (EventType kind : kinds) {
            if (kind == step.kind) continue;
            EXPECT_GE(idle.secondsSinceLastEvent(kind), before[kind]) << "kind " << static_cast<int>(kind);
        }
    }
}

// A second Tarnlet asks the first to bring up its settings and leaves with status 0; the first
// ends cleanly on SIGTERM, through its ordinary termination. The first believes itself on
// XWayland and says so.
TEST(LinuxDesktopInstance, ASecondInstanceReopensTheFirstAndSigtermEndsItCleanly) {
    if (!std::getenv("DISPLAY") || !std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "needs an X server and a session bus (run under scripts/desktop-session)";
    test::ensureQtApplication();
    test::PrivateHome home;
    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "diagnostics.logging", "true"}), 0);
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    ASSERT_NE(bus, nullptr);
    ASSERT_FALSE(bus->isServiceRegistered("app.tarnletapp.Tarnlet").value()) << "another Tarnlet runs on this bus";

    QProcess first;
    // As under XWayland: the user is told what cannot work there.
    QProcessEnvironment environment = home.environment();
    environment.insert("XDG_SESSION_TYPE", "wayland");
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(TARNLET_BINARY), {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(test::waitUntil([&] { return bus->isServiceRegistered("app.tarnletapp.Tarnlet").value(); }))
        << first.readAllStandardError().toStdString();

    std::string error;
    EXPECT_EQ(test::runTarnlet(home, {}, &error), 0) << error;
    EXPECT_TRUE(test::waitUntil([&] { return logContains(home, "Reopen requested by another Tarnlet"); }));
    EXPECT_EQ(first.state(), QProcess::Running);
    // The key taps exist on X11: the leader chords started.
    EXPECT_FALSE(logContains(home, "could not create key tap"));
    EXPECT_FALSE(logContains(home, "could not create flags tap"));

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_TRUE(logContains(home, "Tarnlet quitting normally"));
    EXPECT_NE(first.readAllStandardError().toStdString().find("this is a Wayland session"), std::string::npos);
    EXPECT_TRUE(logContains(home, "sees X11 applications only"));
    EXPECT_TRUE(test::waitUntil([&] { return !bus->isServiceRegistered("app.tarnletapp.Tarnlet").value(); }));
}

// The X server going away ends Tarnlet with a log line and status 1, not with a crash. The test
// brings up an X server of its own to take away.
TEST(LinuxDesktopDisplayLoss, TheServerGoingAwayEndsTarnletWithStatusOne) {
    test::ensureQtApplication();
    int display = 150;
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(display)) ||
           fs::exists("/tmp/.X" + std::to_string(display) + "-lock"))
        ++display;
    QProcess server;
    // -noreset: the server would otherwise restart when its last client (the display check) leaves.
    server.start("Xvfb", {":" + QString::number(display), "-noreset", "-nolisten", "tcp"});
    if (!server.waitForStarted()) GTEST_SKIP() << "no Xvfb here";
    ASSERT_TRUE(test::waitUntil([&] { return fs::exists("/tmp/.X11-unix/X" + std::to_string(display)); }));

    test::PrivateHome home;
    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "diagnostics.logging", "true"}), 0);
    QProcess tarnlet;
    QProcessEnvironment environment = home.environment();
    environment.insert("DISPLAY", ":" + QString::number(display));
    // No session bus: this Tarnlet must not meet another test's.
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    tarnlet.setProcessEnvironment(environment);
    tarnlet.start(TARNLET_BINARY, {});
    ASSERT_TRUE(test::waitUntil([&] { return logContains(home, "Feature Notch"); }))
        << tarnlet.readAllStandardError().toStdString();

    server.terminate();
    ASSERT_TRUE(server.waitForFinished(60000));
    ASSERT_TRUE(tarnlet.waitForFinished(60000));
    const std::string error = tarnlet.readAllStandardError().toStdString();
    EXPECT_EQ(tarnlet.exitStatus(), QProcess::NormalExit) << error;
    EXPECT_EQ(tarnlet.exitCode(), 1) << error;
    EXPECT_NE(error.find("the connection to the X11 display was lost"), std::string::npos) << error;
    EXPECT_TRUE(logContains(home, "The connection to the X11 display was lost"));
}

}  // namespace
}  // namespace tarnlet
