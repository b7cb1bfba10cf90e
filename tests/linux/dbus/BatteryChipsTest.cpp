// The battery chips end to end: python-dbusmock's UPower on the private system bus changes, the
// notch shows its chip in a real panel at the top centre of the X screen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QScreen>
#include <QVariantMap>
#include <QWidget>

#include "MockBus.h"
#include "notch/NotchBarView.h"
#include "notch/NotchFeature.h"
#include "notch/NotchStage.h"
#include "platform/TemporaryFolder.h"
#include "platform/host/FileDefaults.h"
#include "platform/host/PangoTextMeasurer.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtPanels.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/UPowerSources.h"
#include "settings/Settings.h"

namespace tarnlet::linux_desktop {
namespace {

using testing::mockCall;
using testing::waitUntil;

const QString kService = QStringLiteral("org.freedesktop.UPower");
const QString kPath = QStringLiteral("/org/freedesktop/UPower");
const QString kDevice = QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice");

void setBattery(bool onBattery, double percent) {
    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusMessage reply = mockCall(bus, kService, kPath, QStringLiteral("UpdateProperties"),
                                  {kService, QVariantMap{{"OnBattery", onBattery}}});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const QVariantMap device{{"Type", 2u}, {"IsPresent", true}, {"State", onBattery ? 2u : 1u}, {"Percentage", percent}};
    reply = mockCall(bus, kService, kPath, QStringLiteral("SetDeviceProperties"),
                     {QVariant::fromValue(QDBusObjectPath(kDevice)), device});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
}

// The application's visible windows over the top centre of the primary screen.
int panelsAtTopCentre() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->geometry().contains(QPoint(screen.center().x(), screen.top() + 2))) ++count;
    return count;
}

TEST(BatteryChipsTest, UnplugAndALowLevelOnTheMockedUPowerShowChipsAtTheNotch) {
    if (!testing::onTestDesktop() || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        GTEST_SKIP() << "needs the test desktop (scripts/desktop-session)";
    setBattery(false, 80);

    TemporaryFolder folder;
    host::FileDefaultsSuites defaults(folder.path(), "app.tarnletapp.Tarnlet");
    Settings settings(defaults.standard(), defaults, "app.tarnletapp.Tarnlet");
    settings.set("notch.batteryChips", true);
    testing::RecordingLog log;
    QtMainQueue queue;
    QtScreens screens(queue);
    QtPanels panels(queue, log);
    host::PangoTextMeasurer measurer;
    NotchStage stage;
    UPowerSources sources(log);
    BatteryMonitor battery(sources);
    NotchFeature notch(settings, battery, stage, panels, screens, measurer, queue);
    notch.activate();
    const auto chipText = [&]() -> std::string {
        const auto bar = notch.controller().chipBar();
        return bar && !bar->content().right.empty() ? bar->content().right.front().text.value_or("") : "";
    };

    // The first reading only sets the baseline: no chip at start-up.
    ASSERT_TRUE(waitUntil([&] { return battery.currentState().has_value(); }));
    EXPECT_EQ(chipText(), "");

    setBattery(true, 80);
    ASSERT_TRUE(waitUntil([&] { return chipText() == "80%"; })) << "unplugging showed no chip";
    ASSERT_TRUE(waitUntil([&] { return panelsAtTopCentre() > 0; })) << "the chip is not on the screen";
    ASSERT_TRUE(waitUntil([&] { return !notch.controller().chipBar(); }, 10)) << "the chip never went away";

    // Falling through a threshold on battery: the low-battery chip.
    setBattery(true, 19);
    ASSERT_TRUE(waitUntil([&] { return chipText() == "19%"; })) << "the low level showed no chip";
    notch.deactivate();
    EXPECT_EQ(panelsAtTopCentre(), 0);
}

}  // namespace
}  // namespace tarnlet::linux_desktop
