// Sleep, wake and session activation from python-dbusmock's logind on the private system bus, and
// the file manager revealing a file on the session bus.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MockBus.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/LogindSession.h"
#include "platform/linux/QtMainQueue.h"

namespace tarnlet::linux_desktop {
namespace {

using testing::mockCall;
using testing::waitUntil;

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");

// A queue whose wall clock the test moves, as a night asleep would: the monotonic clock (and so
// the queue's own timer) knows nothing of it.
class ShiftedQueue : public QtMainQueue {
public:
    double wallNow() const override { return QtMainQueue::wallNow() + shift; }
    double shift = 0;
};

class LogindSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::onTestDesktop()) GTEST_SKIP() << "needs the test desktop (scripts/desktop-session)";
    }
    void emitPrepareForSleep(bool sleeping) {
        const QDBusMessage reply =
            mockCall(m_bus, kLogind, kLogindPath, QStringLiteral("EmitSignal"),
                     {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                      QStringLiteral("b"), QVariantList{sleeping}});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    void setActive(const QString& sessionPath, bool active) {
        const QDBusMessage reply =
            mockCall(m_bus, kLogind, sessionPath, QStringLiteral("UpdateProperties"),
                     {QStringLiteral("org.freedesktop.login1.Session"), QVariantMap{{"Active", active}}});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    QDBusConnection m_bus = QDBusConnection::systemBus();
    testing::RecordingLog m_log;
};

TEST_F(LogindSessionTest, WakeRunsWorkThatCameDueAsleepBeforeAnnouncingIt) {
    ShiftedQueue queue;
    LinuxWorkspace workspace(queue);
    LogindSession session(queue, workspace, m_log);
    std::vector<std::string> events;
    Subscription wake = workspace.observeDidWake([&] { events.push_back("wake"); });
    WorkItem alarm = queue.postAtWallTime(queue.wallNow() + 3600, [&] { events.push_back("alarm"); });
    // Once logind has answered about the session, the subscriptions made before are in place.
    ASSERT_TRUE(waitUntil([&] { return session.isActive().has_value(); }));

    emitPrepareForSleep(true);
    queue.shift = 3601;  // an hour asleep
    emitPrepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events, (std::vector<std::string>{"alarm", "wake"}));
}

TEST_F(LogindSessionTest, SessionBecomingActiveIsAnnounced) {
    ShiftedQueue queue;
    LinuxWorkspace workspace(queue);
    LogindSession session(queue, workspace, m_log);
    int activations = 0;
    Subscription active = workspace.observeSessionDidBecomeActive([&] { ++activations; });

    // The test desktop's session, named in XDG_SESSION_ID, is active to begin with.
    ASSERT_TRUE(waitUntil([&] { return session.isActive().has_value(); }));
    EXPECT_EQ(session.sessionPath(), "/org/freedesktop/login1/session/" + qEnvironmentVariable("XDG_SESSION_ID"));
    EXPECT_TRUE(*session.isActive());

    setActive(session.sessionPath(), false);  // the user switched to another session
    ASSERT_TRUE(waitUntil([&] { return session.isActive() == false; }));
    EXPECT_EQ(activations, 0);
    setActive(session.sessionPath(), true);  // and back
    ASSERT_TRUE(waitUntil([&] { return activations == 1; }));
}

TEST_F(LogindSessionTest, RevealingAFileAsksTheFileManagerToSelectIt) {
    QtMainQueue queue;
    LinuxWorkspace workspace(queue);
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QString fileManager = QStringLiteral("org.freedesktop.FileManager1");
    const QString path = QStringLiteral("/org/freedesktop/FileManager1");
    const auto before = testing::mockedCalls(bus, fileManager, path, QStringLiteral("ShowItems")).size();
    workspace.revealInFileManager("/tmp/Tarnlet Shelf/report #1.pdf");
    std::vector<QVariantList> calls;
    ASSERT_TRUE(waitUntil([&] {
        calls = testing::mockedCalls(bus, fileManager, path, QStringLiteral("ShowItems"));
        return calls.size() > before;
    }));
    EXPECT_EQ(calls.back().at(0).toStringList(), QStringList{QStringLiteral("file:///tmp/Tarnlet%20Shelf/report%20%231.pdf")});
}

}  // namespace
}  // namespace tarnlet::linux_desktop
