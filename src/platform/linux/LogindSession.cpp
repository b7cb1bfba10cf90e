#include "platform/linux/LogindSession.h"

#include <unistd.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>

#include "platform/SystemLog.h"
#include "platform/linux/DBusCall.h"
#include "platform/linux/DBusSignal.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/QtMainQueue.h"

namespace tarnlet::linux_desktop {

namespace {

const QString kManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kActive = QStringLiteral("Active");

QDBusMessage managerCall(const QString& method) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(LogindSession::kService),
                                          QString::fromLatin1(LogindSession::kPath), kManagerInterface, method);
}

QString objectPathOf(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().first().value<QDBusObjectPath>().path();
}

}  // namespace

LogindSession::LogindSession(QtMainQueue& queue, LinuxWorkspace& workspace, SystemLog& log)
    : m_queue(queue),
      m_workspace(workspace),
      m_log(log),
      m_bus(QDBusConnection::systemBus()),
      m_context(std::make_unique<QObject>()) {
    const QString service = QString::fromLatin1(kService);
    m_watcher = std::make_unique<QDBusServiceWatcher>(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, m_context.get(),
                     [this](const QString&, const QString&, const QString& newOwner) {
                         if (!newOwner.isEmpty()) findSession();
                     });
    m_sleep = std::make_unique<DBusSignal>(m_bus, service, QString::fromLatin1(kPath), kManagerInterface,
                                           QStringLiteral("PrepareForSleep"),
                                           [this](const QDBusMessage& message) { prepareForSleep(message); });
    if (!m_sleep->isConnected())
        m_log.error("logind's sleep signal cannot be followed (" +
                    (m_bus.isConnected() ? std::string("the bus refused the subscription")
                                         : DBusCall::describeError(m_bus, QDBusMessage())) +
                    "): wakes are not announced");
    findSession();
}

LogindSession::~LogindSession() = default;

void LogindSession::findSession() {
    QDBusMessage call = managerCall(QStringLiteral("GetSessionByPID"));
    call << static_cast<uint>(::getpid());
    DBusCall::async(m_bus, call, m_context.get(), [this](const QDBusMessage& reply) {
        const QString path = objectPathOf(reply);
        if (!path.isEmpty()) {
            m_reportedMissing = false;
            watchSession(path);
            return;
        }
        if (DBusCall::isUnreachable(reply)) {
            if (!m_reportedMissing)
                m_log.info("logind is not available (" + DBusCall::describeError(m_bus, reply) +
                           "): wakes and session activations are not announced");
            m_reportedMissing = true;
            return;
        }
        // A process started by a service manager rather than from the session belongs to no
        // session of its own; the session it was started for may still be named.
        findSessionByID();
    });
}

void LogindSession::findSessionByID() {
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (id.isEmpty()) {
        m_log.info("This process belongs to no logind session: session activations are not announced");
        return;
    }
    QDBusMessage call = managerCall(QStringLiteral("GetSession"));
    call << id;
    DBusCall::async(m_bus, call, m_context.get(), [this, id](const QDBusMessage& reply) {
        const QString path = objectPathOf(reply);
        if (path.isEmpty()) {
            m_log.info("logind does not know the session " + id.toStdString() + " (" +
                       DBusCall::describeError(m_bus, reply) + "): session activations are not announced");
            return;
        }
        watchSession(path);
    });
}

void LogindSession::watchSession(const QString& path) {
    if (path != m_sessionPath || !m_sessionChanges) {
        m_sessionPath = path;
        m_sessionChanges = std::make_unique<DBusSignal>(
            m_bus, QString::fromLatin1(kService), path, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
            [this](const QDBusMessage& message) { sessionPropertiesChanged(message); });
    }
    readActive();
}

void LogindSession::readActive() {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), m_sessionPath, kPropertiesInterface,
                                                       QStringLiteral("Get"));
    call << kSessionInterface << kActive;
    DBusCall::async(m_bus, call, m_context.get(), [this](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            m_log.info("The session's state could not be read: " + DBusCall::describeError(m_bus, reply));
            return;
        }
        activeChanged(reply.arguments().first().value<QDBusVariant>().variant().toBool());
    });
}

void LogindSession::sessionPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString() != kSessionInterface) return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.at(1));
    if (changed.contains(kActive)) {
        QVariant active = changed.value(kActive);
        if (active.userType() == qMetaTypeId<QDBusVariant>()) active = active.value<QDBusVariant>().variant();
        activeChanged(active.toBool());
    } else if (arguments.size() >= 3 && arguments.at(2).toStringList().contains(kActive)) {
        readActive();
    }
}

void LogindSession::activeChanged(bool active) {
    const std::optional<bool> was = m_active;
    m_active = active;
    // The first reading only sets the baseline: the session being active already is no news.
    if (active && was && !*was) m_workspace.notifySessionDidBecomeActive();
}

void LogindSession::prepareForSleep(const QDBusMessage& message) {
    if (message.arguments().isEmpty()) return;
    if (message.arguments().first().toBool()) {
        m_log.debug("The system is going to sleep");
        return;
    }
    // Work due at a wall-clock time that passed during the sleep runs before anyone hears of the
    // wake: the monotonic clock stood still meanwhile, so the queue's own timer would be late.
    m_queue.recheckWallClock();
    m_workspace.notifyDidWake();
}

}  // namespace tarnlet::linux_desktop
