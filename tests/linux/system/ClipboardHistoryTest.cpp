// The clipboard history of a running Tarnlet on the test desktop. A copy is made as a user makes
// one: a client takes the clipboard (xclip, or a Qt application with a password manager's hint)
// and the copy shortcut is pressed; the history file is read back from the data folder.

#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <string>

#include "linux/system/SystemTestSupport.h"
#include "platform/FileIO.h"

namespace tarnlet {
namespace {

class LinuxDesktopClipboardHistory : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "needs an X server and a session bus (run under scripts/desktop-session)";
        test::ensureQtApplication();
    }
    void TearDown() override {
        for (QProcess* process : {&m_tarnlet, &m_owner}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->kill();
            process->waitForFinished();
        }
    }

    std::string history() const {
        return FileIO::readFile(m_home.path() / "data" / "Tarnlet" / "Clipboard.json").value_or("");
    }
    bool logContains(const std::string& text) const {
        return FileIO::readFile(m_home.logFile()).value_or("").find(text) != std::string::npos;
    }

    // The user's copy shortcut, which the clipboard tool listens for.
    static void pressCopy() { ASSERT_EQ(std::system("xdotool key ctrl+c"), 0); }

    static void copyWithXclip(const std::string& text) {
        test::putOnClipboard(text);
        pressCopy();
    }

    test::PrivateHome m_home;
    QProcess m_tarnlet;
    QProcess m_owner;
};

TEST_F(LinuxDesktopClipboardHistory, CopiesEnterTheHistoryAndPasswordManagerCopiesDoNot) {
    ASSERT_EQ(test::runTarnlet(m_home, {"settings", "set", "diagnostics.logging", "true"}), 0);
    ASSERT_EQ(test::runTarnlet(m_home, {"settings", "set", "clipboard.isEnabled", "true"}), 0);
    test::startTarnlet(m_tarnlet, m_home, {});
    ASSERT_TRUE(test::waitUntil([&] { return logContains("Clipboard activated"); }))
        << m_tarnlet.readAllStandardError().toStdString();

    copyWithXclip("copied in another client");
    ASSERT_TRUE(test::waitUntil([&] { return history().find("copied in another client") != std::string::npos; }))
        << "history: " << history();

    // A password manager's copy: once Tarnlet has looked at its hint, the copy has been judged.
    m_owner.start(CLIPBOARD_OWNER, {"hunter2", "x-kde-passwordManagerHint=secret"});
    ASSERT_TRUE(test::waitUntil([&] { return m_owner.canReadLine(); }));
    ASSERT_EQ(m_owner.readLine().trimmed(), "ready");
    pressCopy();
    QByteArray served;
    ASSERT_TRUE(test::waitUntil([&] {
        served += m_owner.readAllStandardOutput();
        return served.contains("served x-kde-passwordManagerHint");
    }));

    copyWithXclip("copied after the secret");
    ASSERT_TRUE(test::waitUntil([&] { return history().find("copied after the secret") != std::string::npos; }));
    EXPECT_EQ(history().find("hunter2"), std::string::npos) << history();
}

}  // namespace
}  // namespace tarnlet
