// The battery from python-dbusmock's UPower on the private system bus, as the core's battery
// monitor sees it.

#include <gtest/gtest.h>

#include <QDBusObjectPath>
#include <QVariantMap>
#include <vector>

#include "MockBus.h"
#include "platform/linux/UPowerSources.h"
#include "shared/BatteryMonitor.h"

namespace tarnlet::linux_desktop {
namespace {

using testing::mockCall;
using testing::waitUntil;

const QString kService = QStringLiteral("org.freedesktop.UPower");
const QString kPath = QStringLiteral("/org/freedesktop/UPower");
const QString kDevice = QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice");

class UPowerSourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::onTestDesktop()) GTEST_SKIP() << "needs the test desktop (scripts/desktop-session)";
        // A laptop on its adapter, charging at 80 %, whatever an earlier test left.
        setDevice({{"Type", 2u}, {"State", 1u}, {"Percentage", 80.0}, {"IsPresent", true}});
        setOnBattery(false);
    }
    void setDevice(const QVariantMap& properties) {
        const QDBusMessage reply = mockCall(m_bus, kService, kPath, QStringLiteral("SetDeviceProperties"),
                                            {QVariant::fromValue(QDBusObjectPath(kDevice)), properties});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    void setOnBattery(bool onBattery) {
        const QDBusMessage reply = mockCall(m_bus, kService, kPath, QStringLiteral("UpdateProperties"),
                                            {kService, QVariantMap{{"OnBattery", onBattery}}});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    QDBusConnection m_bus = QDBusConnection::systemBus();
    testing::RecordingLog m_log;
};

TEST_F(UPowerSourcesTest, LevelAndPlugChangesReachTheBatteryMonitor) {
    UPowerSources sources(m_log);
    BatteryMonitor monitor(sources);
    std::vector<BatteryMonitor::State> heard;
    Subscription subscription = monitor.subscribe([&](BatteryMonitor::State state) { heard.push_back(state); });
    ASSERT_TRUE(monitor.isRunning());
    const auto last = [&](BatteryMonitor::State wanted) { return !heard.empty() && heard.back() == wanted; };

    // The first reading arrives after start-up and counts as a change.
    ASSERT_TRUE(waitUntil([&] { return last({false, 80}); }));
    ASSERT_EQ(sources.sources().size(), 1u);
    EXPECT_EQ(sources.sources()[0].type, "InternalBattery");
    EXPECT_EQ(sources.sources()[0].powerSourceState, "AC Power");
    EXPECT_EQ(sources.sources()[0].maxCapacity, 100);

    // Unplugged.
    setOnBattery(true);
    setDevice({{"State", 2u}});
    ASSERT_TRUE(waitUntil([&] { return last({true, 80}); }));
    EXPECT_EQ(sources.sources()[0].powerSourceState, "Battery Power");

    setDevice({{"Percentage", 41.6}});
    ASSERT_TRUE(waitUntil([&] { return last({true, 42}); }));

    // Plugged in again.
    setOnBattery(false);
    setDevice({{"State", 1u}});
    ASSERT_TRUE(waitUntil([&] { return last({false, 42}); }));

    // Properties that do not change the description are no news.
    const std::size_t heardBefore = heard.size();
    setDevice({{"EnergyRate", 12.5}, {"Percentage", 41.9}});
    setDevice({{"Percentage", 20.0}});
    ASSERT_TRUE(waitUntil([&] { return last({false, 20}); }));
    EXPECT_EQ(heard.size(), heardBefore + 1);

    // A machine without a battery has no power sources.
    setDevice({{"IsPresent", false}});
    ASSERT_TRUE(waitUntil([&] { return sources.sources().empty(); }));
    EXPECT_FALSE(monitor.currentState());
    subscription.cancel();
    EXPECT_FALSE(monitor.isRunning());
}

}  // namespace
}  // namespace tarnlet::linux_desktop
