#pragma once
// Notices through the desktop's notification server (org.freedesktop.Notifications on the session
// bus). The server hands out its own number for each notice; the number is kept per identifier, so
// posting the same identifier again replaces the notice in place and withdrawing it closes exactly
// that one. Permission is the server answering: there is no consent step on this desktop.
//
// A notice posted while the previous one with its identifier is still on its way waits for the
// server's number and then replaces it; a withdrawal in that window closes the notice once it is
// numbered, so quick post-and-withdraw sequences never leave a notice behind. When the server
// restarts, its numbers mean nothing any more and are forgotten.
//
// Completions run on the main thread, from the event loop. Main thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <QDBusConnection>

#include "platform/Notices.h"

class QDBusMessage;
class QDBusServiceWatcher;
class QObject;

namespace tarnlet {
class SystemLog;
}

namespace tarnlet::linux_desktop {

class DBusSignal;

class DBusNotices : public Notices {
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    // The application name the server shows with each notice.
    static constexpr const char* kApplicationName = "Tarnlet";

    explicit DBusNotices(SystemLog& log);
    ~DBusNotices() override;
    DBusNotices(const DBusNotices&) = delete;
    DBusNotices& operator=(const DBusNotices&) = delete;

    void requestAuthorization(std::function<void(bool granted, std::optional<std::string> error)> completion) override;
    void authorizationStatus(std::function<void(NoticeAuthorization)> completion) override;
    void add(const std::string& identifier, const std::string& title, const std::string& body) override;
    void removeDelivered(const std::string& identifier) override;

private:
    struct Content {
        std::string title;
        std::string body;
    };
    struct Delivery {
        std::uint32_t serverID = 0;  // 0 while the server has not numbered the notice
        bool inFlight = false;
        std::optional<Content> queued;  // the newest content posted while a post was in flight
        bool closeWhenNumbered = false;
    };

    void askServer(std::function<void(bool answered, std::optional<std::string> error)> onAnswer);
    void send(const std::string& identifier, Delivery& delivery, const Content& content);
    void posted(const std::string& identifier, std::uint64_t generation, const QDBusMessage& reply);
    void close(std::uint32_t serverID);
    void closedByServer(const QDBusMessage& message);
    void serverChanged();

    QDBusConnection m_bus;
    SystemLog& m_log;
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    std::unique_ptr<DBusSignal> m_closed;
    std::map<std::string, Delivery> m_deliveries;
    // Whether the server reads markup in bodies; unknown until it lists its capabilities.
    std::optional<bool> m_bodyMarkup;
    // Counts server restarts, so a reply from a server that has gone is not taken for the new one's.
    std::uint64_t m_generation = 0;
    bool m_reportedMissing = false;
};

}  // namespace tarnlet::linux_desktop
