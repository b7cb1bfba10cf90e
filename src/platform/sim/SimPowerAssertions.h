#pragma once
// The simulated power manager: assertions held by other processes (a video player keeping the
// display on) and by this one, with a record of every creation and release in order, so tests can
// see that a switch of kind never leaves a gap.

#include <functional>
#include <string>
#include <vector>

#include "platform/PowerAssertions.h"

namespace tarnlet::sim {

class SimPowerAssertions : public PowerAssertions {
public:
    struct Held {
        PowerAssertionID id = 0;
        int pid = 0;
        std::string type;
        std::string reason;
    };

    explicit SimPowerAssertions(int ownPID) : m_ownPID(ownPID) {}

    std::optional<std::map<int, std::vector<std::string>>> assertionsByProcess() const override;
    PowerAssertionCreation create(const std::string& type, const std::string& reason) override;
    void release(PowerAssertionID id) override;

    // Another process takes an assertion (a video player: "NoDisplaySleepAssertion") or drops all of its.
    PowerAssertionID holdFor(int pid, const std::string& type, const std::string& reason = "playing");
    void releaseAllOf(int pid);
    // Makes creation fail with this result code from now on (0: creation works again).
    void setCreationFailure(int resultCode) { m_failure = resultCode; }
    // Makes the per-process query fail.
    void setQueryAvailable(bool available) { m_queryAvailable = available; }

    const std::vector<Held>& held() const { return m_held; }
    // The assertions this process holds now.
    std::vector<Held> ownAssertions() const;
    // "create <type>" and "release <type>" for this process's assertions, in order.
    const std::vector<std::string>& history() const { return m_history; }
    // Told of each entry of the history as it is made.
    std::function<void(const std::string&)> onChange;

private:
    void record(std::string change);

    int m_ownPID;
    PowerAssertionID m_nextID = 100;
    int m_failure = 0;
    bool m_queryAvailable = true;
    std::vector<Held> m_held;
    std::vector<std::string> m_history;
};

}  // namespace tarnlet::sim
