#pragma once
// One subscription to a signal on a bus, delivered to a function while this object lives. A
// subscription by well-known name follows the name to whichever process owns it, so a service
// that restarts keeps sending to the same subscription:
//
//     DBusSignal sleep(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
//                      "org.freedesktop.login1.Manager", "PrepareForSleep",
//                      [](const QDBusMessage& message) { ... });
//
// Main thread only.

#include <functional>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

namespace tarnlet::linux_desktop {

class DBusSignal : public QObject {
    Q_OBJECT

public:
    DBusSignal(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
               const QString& name, std::function<void(const QDBusMessage&)> onSignal);
    ~DBusSignal() override;
    DBusSignal(const DBusSignal&) = delete;
    DBusSignal& operator=(const DBusSignal&) = delete;

    // False when the bus refused the subscription (or is not connected): nothing will arrive.
    bool isConnected() const { return m_connected; }

private slots:
    void deliver(const QDBusMessage& message);

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    QString m_interface;
    QString m_name;
    std::function<void(const QDBusMessage&)> m_onSignal;
    bool m_connected = false;
};

}  // namespace tarnlet::linux_desktop
