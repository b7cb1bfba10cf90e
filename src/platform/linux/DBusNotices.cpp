#include "platform/linux/DBusNotices.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include "platform/SystemLog.h"
#include "platform/linux/DBusCall.h"
#include "platform/linux/DBusSignal.h"

namespace tarnlet::linux_desktop {

namespace {

const QString kInterface = QString::fromLatin1(DBusNotices::kService);

QDBusMessage serverCall(const QString& method) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(DBusNotices::kService),
                                          QString::fromLatin1(DBusNotices::kPath), kInterface, method);
}

// Let the server show its default duration.
constexpr int kDefaultExpiry = -1;

}  // namespace

DBusNotices::DBusNotices(SystemLog& log)
    : m_bus(QDBusConnection::sessionBus()), m_log(log), m_context(std::make_unique<QObject>()) {
    m_watcher = std::make_unique<QDBusServiceWatcher>(QString::fromLatin1(kService), m_bus,
                                                      QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, m_context.get(),
                     [this](const QString&, const QString&, const QString&) { serverChanged(); });
    m_closed = std::make_unique<DBusSignal>(m_bus, QString::fromLatin1(kService), QString::fromLatin1(kPath), kInterface,
                                            QStringLiteral("NotificationClosed"),
                                            [this](const QDBusMessage& message) { closedByServer(message); });
}

DBusNotices::~DBusNotices() = default;

void DBusNotices::askServer(std::function<void(bool answered, std::optional<std::string> error)> onAnswer) {
    DBusCall::async(m_bus, serverCall(QStringLiteral("GetCapabilities")), m_context.get(),
                    [this, onAnswer = std::move(onAnswer)](const QDBusMessage& reply) {
                        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                            const std::string error = DBusCall::describeError(m_bus, reply);
                            if (!m_reportedMissing)
                                m_log.error("No notification service answers on the session bus (" + error +
                                            "); notices are not shown");
                            m_reportedMissing = true;
                            onAnswer(false, error);
                            return;
                        }
                        if (m_reportedMissing) m_log.info("The notification service answers again");
                        m_reportedMissing = false;
                        m_bodyMarkup = reply.arguments().first().toStringList().contains(QStringLiteral("body-markup"));
                        onAnswer(true, std::nullopt);
                    });
}

void DBusNotices::requestAuthorization(std::function<void(bool, std::optional<std::string>)> completion) {
    askServer([completion = std::move(completion)](bool answered, std::optional<std::string> error) {
        if (completion) completion(answered, std::move(error));
    });
}

void DBusNotices::authorizationStatus(std::function<void(NoticeAuthorization)> completion) {
    askServer([completion = std::move(completion)](bool answered, std::optional<std::string>) {
        if (completion) completion(answered ? NoticeAuthorization::authorized : NoticeAuthorization::denied);
    });
}

void DBusNotices::add(const std::string& identifier, const std::string& title, const std::string& body) {
    Delivery& delivery = m_deliveries[identifier];
    delivery.closeWhenNumbered = false;
    Content content{title, body};
    if (delivery.inFlight) {
        delivery.queued = std::move(content);
        return;
    }
    send(identifier, delivery, content);
}

void DBusNotices::send(const std::string& identifier, Delivery& delivery, const Content& content) {
    QString body = QString::fromStdString(content.body);
    // A server that reads markup would take "<" and "&" in our texts (a file name, a window title)
    // as tags, and show nothing or garbage. When its capabilities are not known yet, escaping is the
    // safer guess: nearly every server reads markup.
    if (m_bodyMarkup.value_or(true)) body = body.toHtmlEscaped();
    QDBusMessage notify = serverCall(QStringLiteral("Notify"));
    notify << QString::fromLatin1(kApplicationName) << static_cast<uint>(delivery.serverID) << QString()
           << QString::fromStdString(content.title) << body << QStringList() << QVariantMap() << kDefaultExpiry;
    delivery.inFlight = true;
    DBusCall::async(m_bus, notify, m_context.get(),
                    [this, identifier, generation = m_generation](const QDBusMessage& reply) {
                        posted(identifier, generation, reply);
                    });
}

void DBusNotices::posted(const std::string& identifier, std::uint64_t generation, const QDBusMessage& reply) {
    auto it = m_deliveries.find(identifier);
    if (it == m_deliveries.end()) return;
    Delivery& delivery = it->second;
    delivery.inFlight = false;

    const bool numbered = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
    if (!numbered) m_log.error("A notice could not be shown: " + DBusCall::describeError(m_bus, reply));
    // A number from a server that has since restarted names nothing on the new one.
    else if (generation == m_generation) delivery.serverID = reply.arguments().first().toUInt();

    if (delivery.closeWhenNumbered) {
        if (delivery.serverID != 0) close(delivery.serverID);
        m_deliveries.erase(it);
        return;
    }
    if (delivery.queued) {
        const Content content = std::move(*delivery.queued);
        delivery.queued.reset();
        send(identifier, delivery, content);
        return;
    }
    if (delivery.serverID == 0) m_deliveries.erase(it);
}

void DBusNotices::removeDelivered(const std::string& identifier) {
    auto it = m_deliveries.find(identifier);
    if (it == m_deliveries.end()) return;
    Delivery& delivery = it->second;
    if (delivery.inFlight) {
        delivery.queued.reset();
        delivery.closeWhenNumbered = true;
        return;
    }
    if (delivery.serverID != 0) close(delivery.serverID);
    m_deliveries.erase(it);
}

void DBusNotices::close(std::uint32_t serverID) {
    QDBusMessage message = serverCall(QStringLiteral("CloseNotification"));
    message << static_cast<uint>(serverID);
    DBusCall::async(m_bus, message, m_context.get(), [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage)
            m_log.debug("A notice could not be withdrawn: " + DBusCall::describeError(m_bus, reply));
    });
}

void DBusNotices::closedByServer(const QDBusMessage& message) {
    if (message.arguments().isEmpty()) return;
    const std::uint32_t serverID = message.arguments().first().toUInt();
    if (serverID == 0) return;
    // The user dismissed it or it expired: a later post with its identifier is a new notice.
    for (auto it = m_deliveries.begin(); it != m_deliveries.end(); ++it) {
        if (it->second.serverID != serverID) continue;
        if (it->second.inFlight) it->second.serverID = 0;
        else m_deliveries.erase(it);
        return;
    }
}

void DBusNotices::serverChanged() {
    ++m_generation;
    m_bodyMarkup.reset();
    for (auto it = m_deliveries.begin(); it != m_deliveries.end();) {
        it->second.serverID = 0;
        if (it->second.inFlight) ++it;
        else it = m_deliveries.erase(it);
    }
}

}  // namespace tarnlet::linux_desktop
