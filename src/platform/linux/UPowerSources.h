#pragma once
// The computer's power sources from UPower on the system bus. UPower's display device already
// combines the batteries that power the computer into one, so it becomes at most one source: an
// "InternalBattery" (or a "UPS" when that is all there is), on "Battery Power" or "AC Power" as the
// manager's OnBattery says, with the charge as current capacity out of a maximum of 100.
//
// The properties are read asynchronously and kept up to date from UPower's change signals, so
// sources() answers at once from the last reading; until the first reading arrives (and whenever
// UPower is gone) there are no sources, and the arrival counts as a change. A UPower that restarts
// is read again. Observers hear only of changes to the translated sources, not of every property
// UPower updates (the energy rate and time estimates change every few seconds).
//
// Main thread only; observers are called from the event loop.

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QDBusConnection>
#include <QString>
#include <QVariant>

#include "base/ObserverList.h"
#include "platform/PowerSources.h"

class QDBusMessage;
class QDBusServiceWatcher;
class QObject;

namespace tarnlet {
class SystemLog;
}

namespace tarnlet::linux_desktop {

class DBusSignal;

class UPowerSources : public PowerSources {
public:
    static constexpr const char* kService = "org.freedesktop.UPower";
    static constexpr const char* kPath = "/org/freedesktop/UPower";
    static constexpr const char* kDisplayDevicePath = "/org/freedesktop/UPower/devices/DisplayDevice";
    static constexpr long long kMaxCapacity = 100;

    explicit UPowerSources(SystemLog& log);
    ~UPowerSources() override;
    UPowerSources(const UPowerSources&) = delete;
    UPowerSources& operator=(const UPowerSources&) = delete;

    std::vector<PowerSourceDescription> sources() const override { return m_sources; }
    // None, with a log line, when the system bus has no UPower and cannot start one.
    std::optional<Subscription> observeChanges(std::function<void()> onChange) override;

    // What UPower's properties say, as the core describes power sources.
    static std::vector<PowerSourceDescription> describe(const QVariantMap& device, const QVariantMap& manager);

private:
    void readAll();
    void read(const QString& path, const QString& interface);
    void propertiesChanged(const QString& path, const QDBusMessage& message);
    void serviceGone();
    void update();

    QDBusConnection m_bus;
    SystemLog& m_log;
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    std::unique_ptr<DBusSignal> m_deviceChanges;
    std::unique_ptr<DBusSignal> m_managerChanges;
    QVariantMap m_device;
    QVariantMap m_manager;
    std::vector<PowerSourceDescription> m_sources;
    ObserverList<> m_observers;
    bool m_reportedMissing = false;
};

}  // namespace tarnlet::linux_desktop
