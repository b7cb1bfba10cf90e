#include "platform/linux/UPowerSources.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "platform/SystemLog.h"
#include "platform/linux/DBusCall.h"
#include "platform/linux/DBusSignal.h"

namespace tarnlet::linux_desktop {

namespace {

const QString kDeviceInterface = QStringLiteral("org.freedesktop.UPower.Device");
const QString kManagerInterface = QStringLiteral("org.freedesktop.UPower");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// UPower's device kinds and states, from its interface description.
constexpr uint kKindBattery = 2;
constexpr uint kKindUPS = 3;
constexpr uint kStateDischarging = 2;
constexpr uint kStatePendingDischarge = 6;

// A dictionary of properties as the bus delivers it, with values that arrived wrapped in one
// variant more than usual unwrapped.
QVariantMap toMap(const QVariant& value) {
    QVariantMap map = value.userType() == qMetaTypeId<QDBusArgument>() ? qdbus_cast<QVariantMap>(value.value<QDBusArgument>()) : value.toMap();
    for (auto it = map.begin(); it != map.end(); ++it)
        if (it.value().userType() == qMetaTypeId<QDBusVariant>()) it.value() = it.value().value<QDBusVariant>().variant();
    return map;
}

bool sameSources(const std::vector<PowerSourceDescription>& a, const std::vector<PowerSourceDescription>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.type == y.type && x.powerSourceState == y.powerSourceState && x.currentCapacity == y.currentCapacity &&
               x.maxCapacity == y.maxCapacity;
    });
}

}  // namespace

UPowerSources::UPowerSources(SystemLog& log)
    : m_bus(QDBusConnection::systemBus()), m_log(log), m_context(std::make_unique<QObject>()) {
    const QString service = QString::fromLatin1(kService);
    m_watcher = std::make_unique<QDBusServiceWatcher>(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, m_context.get(),
                     [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                         if (!oldOwner.isEmpty()) serviceGone();
                         if (!newOwner.isEmpty()) readAll();
                     });
    const QString devicePath = QString::fromLatin1(kDisplayDevicePath);
    const QString managerPath = QString::fromLatin1(kPath);
    m_deviceChanges = std::make_unique<DBusSignal>(
        m_bus, service, devicePath, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
        [this, devicePath](const QDBusMessage& message) { propertiesChanged(devicePath, message); });
    m_managerChanges = std::make_unique<DBusSignal>(
        m_bus, service, managerPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
        [this, managerPath](const QDBusMessage& message) { propertiesChanged(managerPath, message); });
    readAll();
}

UPowerSources::~UPowerSources() = default;

std::optional<Subscription> UPowerSources::observeChanges(std::function<void()> onChange) {
    if (!DBusCall::isServiceAvailable(m_bus, QString::fromLatin1(kService))) {
        m_log.info("UPower is not available on the system bus: battery changes are not followed");
        return std::nullopt;
    }
    return m_observers.add(std::move(onChange));
}

std::vector<PowerSourceDescription> UPowerSources::describe(const QVariantMap& device, const QVariantMap& manager) {
    if (!device.value(QStringLiteral("IsPresent")).toBool()) return {};
    // A device that does not power the computer (a mouse, a phone) is nobody's power source; the
    // display device normally does not say, and then it does.
    const QVariant powerSupply = device.value(QStringLiteral("PowerSupply"));
    if (powerSupply.isValid() && !powerSupply.toBool()) return {};

    PowerSourceDescription source;
    switch (device.value(QStringLiteral("Type")).toUInt()) {
        case kKindBattery: source.type = "InternalBattery"; break;
        case kKindUPS: source.type = "UPS"; break;
        default: return {};
    }

    // The manager's word is the system's; the device's state is the fallback when the manager
    // could not be read.
    bool onBattery = false;
    const QVariant managerOnBattery = manager.value(QStringLiteral("OnBattery"));
    if (managerOnBattery.isValid()) {
        onBattery = managerOnBattery.toBool();
    } else {
        const uint state = device.value(QStringLiteral("State")).toUInt();
        onBattery = state == kStateDischarging || state == kStatePendingDischarge;
    }
    source.powerSourceState = onBattery ? "Battery Power" : "AC Power";

    bool isNumber = false;
    const double percentage = device.value(QStringLiteral("Percentage")).toDouble(&isNumber);
    if (isNumber && std::isfinite(percentage))
        source.currentCapacity = std::llround(std::clamp(percentage, 0.0, static_cast<double>(kMaxCapacity)));
    source.maxCapacity = kMaxCapacity;
    return {source};
}

void UPowerSources::readAll() {
    read(QString::fromLatin1(kDisplayDevicePath), kDeviceInterface);
    read(QString::fromLatin1(kPath), kManagerInterface);
}

void UPowerSources::read(const QString& path, const QString& interface) {
    QDBusMessage getAll =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), path, kPropertiesInterface, QStringLiteral("GetAll"));
    getAll << interface;
    DBusCall::async(m_bus, getAll, m_context.get(), [this, path](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            if (!m_reportedMissing)
                m_log.info("UPower could not be read (" + DBusCall::describeError(m_bus, reply) +
                           "): no power sources are known");
            m_reportedMissing = true;
            return;
        }
        m_reportedMissing = false;
        (path == QLatin1String(kPath) ? m_manager : m_device) = toMap(reply.arguments().first());
        update();
    });
}

void UPowerSources::propertiesChanged(const QString& path, const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2) return;
    QVariantMap& properties = path == QLatin1String(kPath) ? m_manager : m_device;
    const QVariantMap changed = toMap(arguments.at(1));
    for (auto it = changed.begin(); it != changed.end(); ++it) properties.insert(it.key(), it.value());
    // Properties announced only as invalid must be read again to know their values.
    if (arguments.size() >= 3 && !arguments.at(2).toStringList().isEmpty())
        read(path, path == QLatin1String(kPath) ? kManagerInterface : kDeviceInterface);
    update();
}

void UPowerSources::serviceGone() {
    m_device.clear();
    m_manager.clear();
    update();
}

void UPowerSources::update() {
    std::vector<PowerSourceDescription> sources = describe(m_device, m_manager);
    if (sameSources(sources, m_sources)) return;
    m_sources = std::move(sources);
    m_observers.notify();
}

}  // namespace tarnlet::linux_desktop
