#include "platform/linux/LogindPowerAssertions.h"

#include <unistd.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <array>

#include "platform/SystemLog.h"
#include "platform/linux/DBusCall.h"

namespace tarnlet::linux_desktop {

namespace {

const QString kManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kScreenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");

// The types the core asks for, with the legacy names of the same assertions.
struct TypeInfo {
    const char* name;
    bool keepsDisplayOn;
};
constexpr std::array kTypes{
    TypeInfo{"PreventUserIdleSystemSleep", false},
    TypeInfo{"NoIdleSleepAssertion", false},
    TypeInfo{"PreventUserIdleDisplaySleep", true},
    TypeInfo{"NoDisplaySleepAssertion", true},
};

const TypeInfo* typeInfo(const std::string& type) {
    for (const TypeInfo& info : kTypes)
        if (type == info.name) return &info;
    return nullptr;
}

bool isReply(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

QDBusUnixFileDescriptor inhibitorOf(const QDBusMessage& reply) {
    if (!isReply(reply)) return {};
    return reply.arguments().first().value<QDBusUnixFileDescriptor>();
}

std::optional<uint> cookieOf(const QDBusMessage& reply) {
    if (!isReply(reply)) return std::nullopt;
    bool isNumber = false;
    const uint cookie = reply.arguments().first().toUInt(&isNumber);
    if (!isNumber) return std::nullopt;
    return cookie;
}

}  // namespace

LogindPowerAssertions::LogindPowerAssertions(SystemLog& log)
    : m_systemBus(QDBusConnection::systemBus()),
      m_sessionBus(QDBusConnection::sessionBus()),
      m_log(log),
      m_context(std::make_unique<QObject>()) {
    m_logindWatcher = std::make_unique<QDBusServiceWatcher>(QString::fromLatin1(kLogindService), m_systemBus,
                                                            QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(m_logindWatcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, m_context.get(),
                     [this](const QString&, const QString&, const QString& newOwner) {
                         if (!newOwner.isEmpty()) logindAppeared();
                     });
    m_screenSaverWatcher = std::make_unique<QDBusServiceWatcher>(QString::fromLatin1(kScreenSaverService), m_sessionBus,
                                                                 QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(m_screenSaverWatcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, m_context.get(),
                     [this](const QString&, const QString&, const QString& newOwner) {
                         if (!newOwner.isEmpty()) screenSaverAppeared();
                     });
}

LogindPowerAssertions::~LogindPowerAssertions() {
    // The descriptors close with the table; the screen saver's inhibitions would only end with
    // our bus connection, which outlives this object, so they are ended here.
    for (const auto& [id, held] : m_held)
        if (held.screenSaverCookie) unInhibitScreenSaver(*held.screenSaverCookie);
}

QDBusMessage LogindPowerAssertions::idleInhibitCall(const std::string& reason) const {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath),
                                                       kManagerInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QString::fromLatin1(kWho) << QString::fromStdString(reason) << QStringLiteral("block");
    return call;
}

QDBusMessage LogindPowerAssertions::screenSaverInhibitCall(const std::string& reason) const {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kScreenSaverService),
                                                       QString::fromLatin1(kScreenSaverPath), kScreenSaverInterface,
                                                       QStringLiteral("Inhibit"));
    call << QString::fromLatin1(kWho) << QString::fromStdString(reason);
    return call;
}

int LogindPowerAssertions::resultCode(const QDBusMessage& reply) {
    if (DBusCall::isUnreachable(reply)) return kResultNotResponding;
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.AccessDenied") ||
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.AuthFailed") ||
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"))
        return kResultNotPermitted;
    return kResultError;
}

PowerAssertionCreation LogindPowerAssertions::create(const std::string& type, const std::string& reason) {
    const TypeInfo* info = typeInfo(type);
    if (!info) {
        m_log.error("Power assertion type " + type + " is not supported on this desktop");
        return {std::nullopt, kResultUnsupported};
    }
    Held held{type, reason, info->keepsDisplayOn, {}, std::nullopt, 0, 0};

    int failure = 0;
    if (!m_systemBus.isConnected()) {
        m_log.error("The system bus is not reachable (" + DBusCall::describeError(m_systemBus, QDBusMessage()) +
                    "), so logind's idle inhibitor cannot be held");
        failure = kResultNotResponding;
    } else if (!(m_systemBus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        // logind's inhibitor is a file descriptor; a bus that cannot pass one cannot hold it.
        m_log.error("The system bus cannot pass file descriptors, so logind's idle inhibitor cannot be held");
        failure = kResultNotResponding;
    } else {
        const QDBusMessage reply = DBusCall::blocking(m_systemBus, idleInhibitCall(reason));
        held.idleInhibitor = inhibitorOf(reply);
        if (!held.idleInhibitor.isValid()) {
            failure = reply.type() == QDBusMessage::ErrorMessage ? resultCode(reply) : kResultError;
            m_log.error("logind did not grant an idle inhibitor: " + DBusCall::describeError(m_systemBus, reply));
        }
    }

    if (held.keepsDisplayOn) {
        const QDBusMessage reply = DBusCall::blocking(m_sessionBus, screenSaverInhibitCall(reason));
        held.screenSaverCookie = cookieOf(reply);
        if (!held.screenSaverCookie) {
            if (!failure) failure = reply.type() == QDBusMessage::ErrorMessage ? resultCode(reply) : kResultError;
            if (!m_reportedNoScreenSaver)
                m_log.info("The screen saver did not take an inhibition (" + DBusCall::describeError(m_sessionBus, reply) +
                           "): the display may still blank");
            m_reportedNoScreenSaver = true;
        } else {
            m_reportedNoScreenSaver = false;
        }
    }

    if (!held.idleInhibitor.isValid() && !held.screenSaverCookie) return {std::nullopt, failure ? failure : kResultError};
    const PowerAssertionID id = m_nextID++;
    m_held.emplace(id, std::move(held));
    return {id, 0};
}

void LogindPowerAssertions::release(PowerAssertionID id) {
    auto it = m_held.find(id);
    if (it == m_held.end()) return;
    const std::optional<uint> cookie = it->second.screenSaverCookie;
    // Erasing closes our copy of the inhibitor's descriptor, which ends it.
    m_held.erase(it);
    if (cookie) unInhibitScreenSaver(*cookie);
}

void LogindPowerAssertions::unInhibitScreenSaver(uint cookie) {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kScreenSaverService),
                                                       QString::fromLatin1(kScreenSaverPath), kScreenSaverInterface,
                                                       QStringLiteral("UnInhibit"));
    call << cookie;
    // Nobody waits for the answer: a screen saver that has gone has forgotten the inhibition.
    DBusCall::async(m_sessionBus, call, m_context.get(), [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage)
            m_log.debug("The screen saver inhibition could not be ended: " + DBusCall::describeError(m_sessionBus, reply));
    });
}

std::optional<std::map<int, std::vector<std::string>>> LogindPowerAssertions::assertionsByProcess() const {
    const QDBusMessage reply = DBusCall::blocking(
        m_systemBus, QDBusMessage::createMethodCall(QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath),
                                                    kManagerInterface, QStringLiteral("ListInhibitors")));
    if (!isReply(reply) || reply.arguments().first().userType() != qMetaTypeId<QDBusArgument>()) {
        if (!m_reportedNoList)
            m_log.info("logind's inhibitors could not be listed: " + DBusCall::describeError(m_systemBus, reply));
        m_reportedNoList = true;
        return std::nullopt;
    }
    const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
    if (list.currentSignature() != QLatin1String("a(ssssuu)")) {
        m_log.error("logind listed its inhibitors in an unknown form: " + list.currentSignature().toStdString());
        return std::nullopt;
    }
    m_reportedNoList = false;

    const int self = static_cast<int>(::getpid());
    std::map<int, std::vector<std::string>> byProcess;
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        // Our own are reported below as what they are; delay inhibitors only postpone a sleep.
        if (static_cast<int>(pid) == self || mode != QLatin1String("block")) continue;
        const QStringList kinds = what.split(QLatin1Char(':'));
        if (kinds.contains(QLatin1String("idle"))) byProcess[static_cast<int>(pid)].push_back(kDisplayHeldType);
        else if (kinds.contains(QLatin1String("sleep"))) byProcess[static_cast<int>(pid)].push_back(kSystemHeldType);
    }
    list.endArray();
    for (const auto& [id, held] : m_held) byProcess[self].push_back(held.type);
    return byProcess;
}

void LogindPowerAssertions::logindAppeared() {
    // A logind that restarts may or may not have kept our inhibitors: each assertion takes a new
    // one, and the old descriptor is closed only once the new one is in place.
    for (auto& [id, held] : m_held) {
        const std::uint64_t epoch = ++held.logindEpoch;
        DBusCall::async(m_systemBus, idleInhibitCall(held.reason), m_context.get(),
                        [this, id = id, epoch](const QDBusMessage& reply) {
                            QDBusUnixFileDescriptor inhibitor = inhibitorOf(reply);
                            auto it = m_held.find(id);
                            // Released meanwhile, or overtaken: the new descriptor closes here.
                            if (it == m_held.end() || it->second.logindEpoch != epoch) return;
                            if (!inhibitor.isValid()) {
                                m_log.error("logind did not grant an idle inhibitor again: " +
                                            DBusCall::describeError(m_systemBus, reply));
                                return;
                            }
                            it->second.idleInhibitor = std::move(inhibitor);
                        });
    }
}

void LogindPowerAssertions::screenSaverAppeared() {
    // A screen saver's inhibitions live in the process that took them: a new one knows none.
    for (auto& [id, held] : m_held) {
        if (!held.keepsDisplayOn) continue;
        held.screenSaverCookie.reset();
        const std::uint64_t epoch = ++held.screenSaverEpoch;
        DBusCall::async(m_sessionBus, screenSaverInhibitCall(held.reason), m_context.get(),
                        [this, id = id, epoch](const QDBusMessage& reply) {
                            const std::optional<uint> cookie = cookieOf(reply);
                            auto it = m_held.find(id);
                            if (it == m_held.end() || it->second.screenSaverEpoch != epoch) {
                                if (cookie) unInhibitScreenSaver(*cookie);
                                return;
                            }
                            if (!cookie) {
                                m_log.info("The screen saver did not take an inhibition again: " +
                                           DBusCall::describeError(m_sessionBus, reply));
                                return;
                            }
                            it->second.screenSaverCookie = cookie;
                        });
    }
}

}  // namespace tarnlet::linux_desktop
