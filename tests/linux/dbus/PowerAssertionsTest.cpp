// Our keep-awake assertion as logind's inhibitor and the screen saver's inhibition, and other
// processes' inhibitors as the break scheduler sees them, through python-dbusmock's logind and a
// mocked screen saver.

#include <gtest/gtest.h>

#include <unistd.h>

#include <QDBusArgument>
#include <QDBusUnixFileDescriptor>

#include "MockBus.h"
#include "platform/linux/LogindPowerAssertions.h"
#include "wellbeing/BreakPolicy.h"
#include "wellbeing/SleepAssertion.h"

namespace tarnlet::linux_desktop {
namespace {

using testing::call;
using testing::mockCall;
using testing::mockedCalls;
using testing::waitUntil;

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

struct Inhibitor {
    QString what, who, why, mode;
};

class LogindPowerAssertionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::onTestDesktop()) GTEST_SKIP() << "needs the test desktop (scripts/desktop-session)";
        mockCall(m_sessionBus, kScreenSaver, kScreenSaverPath, QStringLiteral("ClearCalls"));
        ASSERT_TRUE(inhibitors().empty()) << "an earlier test left an inhibitor behind";
    }

    // logind's list, read by the test itself.
    std::vector<Inhibitor> inhibitors() {
        const QDBusMessage reply = call(m_systemBus, kLogind, kLogindPath, kManager, QStringLiteral("ListInhibitors"));
        std::vector<Inhibitor> list;
        if (reply.type() != QDBusMessage::ReplyMessage) return list;
        const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            Inhibitor inhibitor;
            uint uid = 0, pid = 0;
            argument.beginStructure();
            argument >> inhibitor.what >> inhibitor.who >> inhibitor.why >> inhibitor.mode >> uid >> pid;
            argument.endStructure();
            list.push_back(inhibitor);
        }
        argument.endArray();
        return list;
    }
    std::vector<QVariantList> screenSaverCalls(const char* method) {
        return mockedCalls(m_sessionBus, kScreenSaver, kScreenSaverPath, QString::fromLatin1(method));
    }

    QDBusConnection m_systemBus = QDBusConnection::systemBus();
    QDBusConnection m_sessionBus = QDBusConnection::sessionBus();
    testing::RecordingLog m_log;
};

TEST_F(LogindPowerAssertionsTest, KeepAwakeAssertionIsHeldSwitchedAndReleased) {
    LogindPowerAssertions power(m_log);
    SleepAssertion assertion(power);

    // Keeping the display on: an idle inhibitor and a screen-saver inhibition.
    ASSERT_TRUE(assertion.acquire(SleepAssertion::Kind::keepDisplayOn, "Tarnlet is keeping this computer awake"));
    ASSERT_EQ(inhibitors().size(), 1u);
    EXPECT_EQ(inhibitors()[0].what, "idle");
    EXPECT_EQ(inhibitors()[0].who, "Tarnlet");
    EXPECT_EQ(inhibitors()[0].why, "Tarnlet is keeping this computer awake");
    EXPECT_EQ(inhibitors()[0].mode, "block");
    ASSERT_EQ(screenSaverCalls("Inhibit").size(), 1u);
    EXPECT_EQ(screenSaverCalls("Inhibit")[0].at(1).toString(), "Tarnlet is keeping this computer awake");
    EXPECT_EQ(power.assertionsByProcess()->at(static_cast<int>(::getpid())),
              std::vector<std::string>{"PreventUserIdleDisplaySleep"});

    // Letting the display sleep: the screen saver is free again, the system still kept awake.
    ASSERT_TRUE(assertion.acquire(SleepAssertion::Kind::allowDisplaySleep, "Tarnlet is keeping this computer awake"));
    ASSERT_TRUE(waitUntil([&] { return screenSaverCalls("UnInhibit").size() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return inhibitors().size() == 1; })) << "the first inhibitor ends with the switch";
    EXPECT_EQ(power.assertionsByProcess()->at(static_cast<int>(::getpid())),
              std::vector<std::string>{"PreventUserIdleSystemSleep"});

    assertion.release();
    EXPECT_TRUE(waitUntil([&] { return inhibitors().empty(); }));
    EXPECT_EQ(screenSaverCalls("UnInhibit").size(), 1u);
}

TEST_F(LogindPowerAssertionsTest, AnotherProcesssIdleInhibitorMeansTheUserIsBusy) {
    LogindPowerAssertions power(m_log);
    ASSERT_TRUE(power.assertionsByProcess());
    EXPECT_FALSE(BreakPolicy::displayHeldByOthers(power.assertionsByProcess(), ::getpid()));

    // A video player's inhibitor lasts as long as it keeps the descriptor open.
    std::optional<QDBusUnixFileDescriptor> player;
    {
        const QDBusMessage reply = call(m_systemBus, kLogind, kLogindPath, kManager, QStringLiteral("Inhibit"),
                                        {QStringLiteral("idle"), QStringLiteral("Video Player"), QStringLiteral("Playing"),
                                         QStringLiteral("block")});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        player = reply.arguments().first().value<QDBusUnixFileDescriptor>();
    }
    EXPECT_TRUE(BreakPolicy::displayHeldByOthers(power.assertionsByProcess(), ::getpid()));

    player.reset();
    ASSERT_TRUE(waitUntil([&] { return inhibitors().empty(); }));
    EXPECT_FALSE(BreakPolicy::displayHeldByOthers(power.assertionsByProcess(), ::getpid()));
}

}  // namespace
}  // namespace tarnlet::linux_desktop
