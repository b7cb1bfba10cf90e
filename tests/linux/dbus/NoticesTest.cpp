// Notices through the session bus to python-dbusmock's notification daemon.

#include <gtest/gtest.h>

#include <optional>

#include <QDBusConnectionInterface>
#include <QProcess>
#include <csignal>

#include "MockBus.h"
#include "platform/linux/DBusNotices.h"

namespace tarnlet::linux_desktop {
namespace {

using testing::mockCall;
using testing::mockedCalls;
using testing::waitUntil;

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class DBusNoticesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::onTestDesktop()) GTEST_SKIP() << "needs the test desktop (scripts/desktop-session)";
        mockCall(m_bus, kService, kPath, QStringLiteral("ClearCalls"));
    }
    std::vector<QVariantList> calls(const char* method) { return mockedCalls(m_bus, kService, kPath, QString::fromLatin1(method)); }
    // Asks for permission as the core does before every notice, and waits for the answer.
    bool authorize(DBusNotices& notices) {
        std::optional<bool> granted;
        notices.requestAuthorization([&](bool answer, std::optional<std::string>) { granted = answer; });
        return waitUntil([&] { return granted.has_value(); }) && *granted;
    }

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    testing::RecordingLog m_log;
};

// Notify's arguments: application, replaced number, icon, summary, body, actions, hints, expiry.
TEST_F(DBusNoticesTest, NoticeIsShownReplacedInPlaceAndWithdrawn) {
    DBusNotices notices(m_log);
    ASSERT_TRUE(authorize(notices));
    std::optional<NoticeAuthorization> status;
    notices.authorizationStatus([&](NoticeAuthorization answer) { status = answer; });
    ASSERT_TRUE(waitUntil([&] { return status.has_value(); }));
    EXPECT_EQ(*status, NoticeAuthorization::authorized);

    notices.add("awake.ended", "Keep-awake ended", "Battery below 20% <low> & falling");
    ASSERT_TRUE(waitUntil([&] { return calls("Notify").size() == 1; }));
    const QVariantList first = calls("Notify").at(0);
    EXPECT_EQ(first.at(0).toString(), "Tarnlet");
    EXPECT_EQ(first.at(1).toUInt(), 0u);
    EXPECT_EQ(first.at(3).toString(), "Keep-awake ended");
    // The daemon reads markup, so the body's own angle brackets and ampersand must arrive escaped.
    EXPECT_EQ(first.at(4).toString(), "Battery below 20% &lt;low&gt; &amp; falling");

    notices.add("awake.ended", "Keep-awake ended", "Second text");
    ASSERT_TRUE(waitUntil([&] { return calls("Notify").size() == 2; }));
    const uint shown = calls("Notify").at(1).at(1).toUInt();
    EXPECT_NE(shown, 0u) << "a second post with the same identifier replaces the first";
    EXPECT_EQ(calls("Notify").at(1).at(4).toString(), "Second text");

    notices.removeDelivered("awake.ended");
    ASSERT_TRUE(waitUntil([&] { return calls("CloseNotification").size() == 1; }));
    EXPECT_EQ(calls("CloseNotification").at(0).at(0).toUInt(), shown);

    // Withdrawn means forgotten: the next post is a new notice, not a replacement.
    notices.add("awake.ended", "Keep-awake ended", "Third text");
    ASSERT_TRUE(waitUntil([&] { return calls("Notify").size() == 3; }));
    EXPECT_EQ(calls("Notify").at(2).at(1).toUInt(), 0u);
}

TEST_F(DBusNoticesTest, NoticeWithdrawnBeforeTheDaemonNumberedItIsStillClosed) {
    DBusNotices notices(m_log);
    ASSERT_TRUE(authorize(notices));

    // Both requests leave before the daemon's answer to the first can arrive.
    notices.add("shelf.copied", "Copied", "Three files");
    notices.add("shelf.copied", "Copied", "Four files");
    notices.removeDelivered("shelf.copied");
    ASSERT_TRUE(waitUntil([&] { return calls("CloseNotification").size() == 1; }));
    ASSERT_EQ(calls("Notify").size(), 1u) << "the withdrawn second text is never shown";
    EXPECT_NE(calls("CloseNotification").at(0).at(0).toUInt(), 0u);
}

// The daemon restarting: notices keep reaching the new one, and a number the old one gave names
// nothing there, so the next post is a new notice rather than a replacement.
TEST_F(DBusNoticesTest, ADaemonThatRestartsIsPickedUpAgain) {
    DBusNotices notices(m_log);
    ASSERT_TRUE(authorize(notices));
    notices.add("breaks.due", "Break", "Look away");
    ASSERT_TRUE(waitUntil([&] { return calls("Notify").size() == 1; }));

    const uint pid = m_bus.interface()->servicePid(kService).value();
    ASSERT_GT(pid, 0u);
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return !m_bus.interface()->isServiceRegistered(kService).value(); }));
    EXPECT_FALSE(authorize(notices));

    // Detached, so that the daemon outlives this test for the ones after it (it ends with the bus),
    // and with its output away from this test's, which the test runner reads to the end.
    QProcess daemon;
    daemon.setProgram("/usr/bin/python3");
    daemon.setArguments({"-m", "dbusmock", "--template", "notification_daemon"});
    daemon.setStandardOutputFile(QProcess::nullDevice());
    daemon.setStandardErrorFile(QProcess::nullDevice());
    ASSERT_TRUE(daemon.startDetached());
    ASSERT_TRUE(waitUntil([&] { return m_bus.interface()->isServiceRegistered(kService).value(); }));
    ASSERT_TRUE(authorize(notices));
    notices.add("breaks.due", "Break", "Look away again");
    ASSERT_TRUE(waitUntil([&] { return calls("Notify").size() == 1; })) << "the new daemon heard nothing";
    EXPECT_EQ(calls("Notify").at(0).at(1).toUInt(), 0u);
    EXPECT_EQ(calls("Notify").at(0).at(4).toString(), "Look away again");
}

}  // namespace
}  // namespace tarnlet::linux_desktop
