#include "main/SingleInstance.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QPointer>

namespace tarnlet {

// Served without moc: a virtual object answers the method itself. Qt may hand it the message on
// the bus's own thread, so the reply goes out at once and the work is queued to the main thread.
class SingleInstance::ReopenObject : public QDBusVirtualObject {
public:
    explicit ReopenObject(SingleInstance& owner) : m_owner(owner) {}

    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"%1\"><method name=\"Reopen\"/></interface>")
            .arg(QLatin1String(kInterface));
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const bool ours = message.interface().isEmpty() || message.interface() == QLatin1String(kInterface);
        if (message.type() != QDBusMessage::MethodCallMessage || !ours || message.member() != QLatin1String("Reopen"))
            return false;
        QDBusConnection(connection).send(message.createReply());
        // The application object lives as long as the event loop that runs this; the owner is
        // checked there, on the main thread, through the guard.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard = QPointer<QObject>(this), owner = &m_owner] {
                if (guard && owner->onReopen) owner->onReopen();
            },
            Qt::QueuedConnection);
        return true;
    }

private:
    SingleInstance& m_owner;
};

SingleInstance::SingleInstance() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        m_problem = "no session bus: " + bus.lastError().message().toStdString();
        return;
    }
    // The object is in place before the name is taken, so whoever finds the name finds the method.
    m_object = std::make_unique<ReopenObject>(*this);
    if (!bus.registerVirtualObject(QLatin1String(kObjectPath), m_object.get())) {
        m_problem = "the session bus refused the Reopen object";
        m_object.reset();
        return;
    }
    const auto reply = bus.interface()->registerService(QLatin1String(kServiceName),
                                                        QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_role = Role::first;
        return;
    }
    bus.unregisterObject(QLatin1String(kObjectPath));
    m_object.reset();
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceNotRegistered) {
        m_role = Role::second;
        return;
    }
    m_problem = "the session bus did not give out the name " + std::string(kServiceName) + ": " +
                reply.error().message().toStdString();
}

SingleInstance::~SingleInstance() {
    if (!m_object) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QLatin1String(kObjectPath));
    if (m_role == Role::first && bus.interface()) bus.interface()->unregisterService(QLatin1String(kServiceName));
}

std::optional<std::string> SingleInstance::askFirstToReopen() const {
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kServiceName), QLatin1String(kObjectPath),
                                                       QLatin1String(kInterface), QStringLiteral("Reopen"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMilliseconds);
    if (reply.type() == QDBusMessage::ReplyMessage) return std::nullopt;
    return reply.errorMessage().toStdString();
}

}  // namespace tarnlet
