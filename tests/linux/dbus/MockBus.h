#pragma once
// The test's side of the buses: calls to python-dbusmock's services and their
// org.freedesktop.DBus.Mock interface (call logs, property updates, signals), and waiting for the
// event loop to deliver what the code under test is waiting for.

#include <functional>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantList>

#include "platform/SystemLog.h"

namespace tarnlet::linux_desktop::testing {

// True when the test desktop's private buses are there; tests skip themselves otherwise.
bool onTestDesktop();

// Runs the event loop until the condition holds or a generous time has passed; true when it held.
bool waitUntil(const std::function<bool()>& condition, double seconds = 15);

// A blocking call with a generous timeout (the mocks are Python on a busy machine).
QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {});
// A call to the mock interface of one of the mock's objects.
QDBusMessage mockCall(const QDBusConnection& bus, const QString& service, const QString& path, const QString& method,
                      const QVariantList& arguments = {});
// The arguments of every call of the method the mock object logged, oldest first.
std::vector<QVariantList> mockedCalls(const QDBusConnection& bus, const QString& service, const QString& path,
                                      const QString& method);

// A system log that keeps its lines.
class RecordingLog : public SystemLog {
public:
    void debug(std::string_view text) override { lines.emplace_back(text); }
    void info(std::string_view text) override { lines.emplace_back(text); }
    void error(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

}  // namespace tarnlet::linux_desktop::testing
