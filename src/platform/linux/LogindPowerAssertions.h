#pragma once
// Power assertions on a Linux session. Ours: keeping the system from idle-sleeping is an "idle"
// inhibitor from logind (system bus), held as the file descriptor logind hands out and released
// by closing it; keeping the display on is, in addition, an inhibition of the desktop's screen
// saver (org.freedesktop.ScreenSaver on the session bus), since a dark screen on a machine that
// stays awake is not what the user asked for. Other processes': logind's list of inhibitors, where
// an idle inhibitor counts as keeping the display on (what video players and presentation tools
// take) and a blocking sleep inhibitor as keeping the system awake. Screen-saver inhibitions of
// other processes cannot be listed: the interface has no such call.
//
// create(), release() and assertionsByProcess() answer at once, as the interface demands, so they
// make blocking calls with a short timeout. An assertion counts as made when at least one of its
// parts is held. When logind or the screen saver restarts (or appears late), the held assertions
// take their parts again from the new instance.
//
// Result codes are the reference power manager's, so log lines read alike on every desktop.
//
// Main thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

#include "platform/PowerAssertions.h"

class QDBusMessage;
class QDBusServiceWatcher;
class QObject;

namespace tarnlet {
class SystemLog;
}

namespace tarnlet::linux_desktop {

class LogindPowerAssertions : public PowerAssertions {
public:
    static constexpr const char* kLogindService = "org.freedesktop.login1";
    static constexpr const char* kLogindPath = "/org/freedesktop/login1";
    static constexpr const char* kScreenSaverService = "org.freedesktop.ScreenSaver";
    static constexpr const char* kScreenSaverPath = "/org/freedesktop/ScreenSaver";
    // Who holds the inhibitors, as logind and the screen saver show it.
    static constexpr const char* kWho = "Tarnlet";

    // The assertion types other processes' inhibitors are reported as.
    static constexpr const char* kDisplayHeldType = "PreventUserIdleDisplaySleep";
    static constexpr const char* kSystemHeldType = "PreventSystemSleep";

    static constexpr int kResultError = -536870212;          // 0xE00002BC: a general failure
    static constexpr int kResultUnsupported = -536870201;    // 0xE00002C7: a type this desktop cannot hold
    static constexpr int kResultNotPermitted = -536870174;   // 0xE00002E2: the service refused
    static constexpr int kResultNotResponding = -536870163;  // 0xE00002ED: no service, or no answer in time

    explicit LogindPowerAssertions(SystemLog& log);
    ~LogindPowerAssertions() override;
    LogindPowerAssertions(const LogindPowerAssertions&) = delete;
    LogindPowerAssertions& operator=(const LogindPowerAssertions&) = delete;

    std::optional<std::map<int, std::vector<std::string>>> assertionsByProcess() const override;
    PowerAssertionCreation create(const std::string& type, const std::string& reason) override;
    void release(PowerAssertionID id) override;

private:
    struct Held {
        std::string type;
        std::string reason;
        bool keepsDisplayOn = false;
        QDBusUnixFileDescriptor idleInhibitor;  // closing the last copy ends logind's inhibitor
        std::optional<uint> screenSaverCookie;
        // Bumped on each re-acquisition, so an older one's late answer is not mistaken for it.
        std::uint64_t logindEpoch = 0;
        std::uint64_t screenSaverEpoch = 0;
    };

    QDBusMessage idleInhibitCall(const std::string& reason) const;
    QDBusMessage screenSaverInhibitCall(const std::string& reason) const;
    static int resultCode(const QDBusMessage& reply);
    void unInhibitScreenSaver(uint cookie);
    void logindAppeared();
    void screenSaverAppeared();

    QDBusConnection m_systemBus;
    QDBusConnection m_sessionBus;
    SystemLog& m_log;
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<QDBusServiceWatcher> m_logindWatcher;
    std::unique_ptr<QDBusServiceWatcher> m_screenSaverWatcher;
    std::map<PowerAssertionID, Held> m_held;
    PowerAssertionID m_nextID = 1;
    // Outages are logged once each, not on every call.
    mutable bool m_reportedNoList = false;
    bool m_reportedNoScreenSaver = false;
};

}  // namespace tarnlet::linux_desktop
