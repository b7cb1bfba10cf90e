#include "platform/linux/DBusCall.h"

#include <QDBusError>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QObject>

namespace tarnlet::linux_desktop {

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

QDBusMessage busCall(const QString& method) {
    return QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, method);
}

}  // namespace

void DBusCall::async(const QDBusConnection& bus, const QDBusMessage& message, QObject* context,
                     std::function<void(const QDBusMessage& reply)> onReply) {
    // A disconnected bus still yields a finished call carrying an error, and the watcher reports
    // it from the event loop, so callers see one path for every failure.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, kTimeoutMilliseconds), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, onReply = std::move(onReply)](QDBusPendingCallWatcher*) {
                         watcher->deleteLater();
                         if (onReply) onReply(watcher->reply());
                     });
}

QDBusMessage DBusCall::blocking(const QDBusConnection& bus, const QDBusMessage& message) {
    return bus.call(message, QDBus::Block, kBlockingTimeoutMilliseconds);
}

bool DBusCall::isServiceAvailable(const QDBusConnection& bus, const QString& name) {
    if (!bus.isConnected()) return false;
    QDBusMessage hasOwner = busCall(QStringLiteral("NameHasOwner"));
    hasOwner << name;
    const QDBusMessage owned = blocking(bus, hasOwner);
    if (owned.type() == QDBusMessage::ReplyMessage && !owned.arguments().isEmpty() && owned.arguments().first().toBool())
        return true;
    const QDBusMessage activatable = blocking(bus, busCall(QStringLiteral("ListActivatableNames")));
    return activatable.type() == QDBusMessage::ReplyMessage && !activatable.arguments().isEmpty() &&
           activatable.arguments().first().toStringList().contains(name);
}

std::string DBusCall::describeError(const QDBusConnection& bus, const QDBusMessage& reply) {
    if (!bus.isConnected()) {
        const QDBusError error = bus.lastError();
        return error.isValid() ? (error.name() + ": " + error.message()).toStdString() : "the bus is not connected";
    }
    if (reply.type() != QDBusMessage::ErrorMessage) return "unexpected reply";
    return (reply.errorName() + ": " + reply.errorMessage()).toStdString();
}

bool DBusCall::isUnreachable(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    return name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
           name == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
           name == QLatin1String("org.freedesktop.DBus.Error.Disconnected") ||
           name == QLatin1String("org.freedesktop.DBus.Error.NoServer");
}

}  // namespace tarnlet::linux_desktop
