#pragma once
// Sleep, wake and the session's state from logind on the system bus. When logind announces the
// end of a sleep (PrepareForSleep(false)), wall-clock work that came due while the machine slept
// runs first and then the workspace announces the wake, so observers of the wake already see
// the work done. When this process's session becomes active again (the user switched back to it
// or unlocked the seat), the workspace announces that too.
//
// The session is the one logind reports for this process, or the one named by $XDG_SESSION_ID
// for a process started outside any session. A logind that restarts is asked again. Without
// logind nothing is announced, and that is logged once.
//
// Main thread only.

#include <memory>
#include <optional>

#include <QDBusConnection>
#include <QString>

class QDBusMessage;
class QDBusServiceWatcher;
class QObject;

namespace tarnlet {
class SystemLog;
}

namespace tarnlet::linux_desktop {

class DBusSignal;
class LinuxWorkspace;
class QtMainQueue;

class LogindSession {
public:
    static constexpr const char* kService = "org.freedesktop.login1";
    static constexpr const char* kPath = "/org/freedesktop/login1";

    LogindSession(QtMainQueue& queue, LinuxWorkspace& workspace, SystemLog& log);
    ~LogindSession();
    LogindSession(const LogindSession&) = delete;
    LogindSession& operator=(const LogindSession&) = delete;

    // The session's object on logind's bus; empty until it is found.
    const QString& sessionPath() const { return m_sessionPath; }
    // Whether the session is active; none until logind has said.
    std::optional<bool> isActive() const { return m_active; }

private:
    void findSession();
    void findSessionByID();
    void watchSession(const QString& path);
    void readActive();
    void activeChanged(bool active);
    void prepareForSleep(const QDBusMessage& message);
    void sessionPropertiesChanged(const QDBusMessage& message);

    QtMainQueue& m_queue;
    LinuxWorkspace& m_workspace;
    SystemLog& m_log;
    QDBusConnection m_bus;
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    std::unique_ptr<DBusSignal> m_sleep;
    std::unique_ptr<DBusSignal> m_sessionChanges;
    QString m_sessionPath;
    std::optional<bool> m_active;
    bool m_reportedMissing = false;
};

}  // namespace tarnlet::linux_desktop
