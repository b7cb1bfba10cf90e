#pragma once
// Calls to D-Bus services with a bounded wait. Every call this backend makes goes through here, so
// a service that hangs costs at most a few seconds and never freezes start-up:
//
//     DBusCall::async(bus, message, context, [](const QDBusMessage& reply) { ... });
//     const QDBusMessage reply = DBusCall::blocking(bus, message);  // only where the caller must wait
//
// Replies arrive on the context object's thread (the main thread here) and are dropped when the
// context goes first. Main thread only.

#include <functional>
#include <string>

#include <QDBusConnection>
#include <QDBusMessage>

class QObject;

namespace tarnlet::linux_desktop {

struct DBusCall {
    // How long an asynchronous call may take before it counts as failed.
    static constexpr int kTimeoutMilliseconds = 3000;
    // Blocking calls stall the event loop, so they get less.
    static constexpr int kBlockingTimeoutMilliseconds = 1500;

    static void async(const QDBusConnection& bus, const QDBusMessage& message, QObject* context,
                      std::function<void(const QDBusMessage& reply)> onReply);
    static QDBusMessage blocking(const QDBusConnection& bus, const QDBusMessage& message);

    // True when the name has an owner on the bus or the bus can start one on demand.
    static bool isServiceAvailable(const QDBusConnection& bus, const QString& name);
    // "name: message" of an error reply, or of a connection that is not there at all.
    static std::string describeError(const QDBusConnection& bus, const QDBusMessage& reply);
    // True when the error says nobody serves the name or it did not answer in time, as opposed to
    // a refusal by the service itself.
    static bool isUnreachable(const QDBusMessage& reply);
};

}  // namespace tarnlet::linux_desktop
