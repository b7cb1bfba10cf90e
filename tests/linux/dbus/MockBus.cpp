#include "MockBus.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QDeadlineTimer>

namespace tarnlet::linux_desktop::testing {

namespace {
constexpr int kCallTimeoutMilliseconds = 20000;
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
}  // namespace

bool onTestDesktop() { return qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS"); }

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallTimeoutMilliseconds);
}

QDBusMessage mockCall(const QDBusConnection& bus, const QString& service, const QString& path, const QString& method,
                      const QVariantList& arguments) {
    return call(bus, service, path, kMockInterface, method, arguments);
}

std::vector<QVariantList> mockedCalls(const QDBusConnection& bus, const QString& service, const QString& path,
                                      const QString& method) {
    const QDBusMessage reply = mockCall(bus, service, path, QStringLiteral("GetMethodCalls"), {method});
    std::vector<QVariantList> calls;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return calls;
    // a(tav): the time of each call and its arguments.
    const QDBusArgument log = reply.arguments().first().value<QDBusArgument>();
    log.beginArray();
    while (!log.atEnd()) {
        qulonglong time = 0;
        QVariantList arguments;
        log.beginStructure();
        log >> time >> arguments;
        log.endStructure();
        for (QVariant& argument : arguments)
            if (argument.userType() == qMetaTypeId<QDBusVariant>()) argument = argument.value<QDBusVariant>().variant();
        calls.push_back(arguments);
    }
    log.endArray();
    return calls;
}

}  // namespace tarnlet::linux_desktop::testing
