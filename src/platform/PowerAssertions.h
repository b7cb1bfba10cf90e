#pragma once
// The power manager's assertions: what every process holds to keep the display or the system from
// idle-sleeping, and assertions of our own. Main thread.
//
//     auto created = power.create("PreventUserIdleSystemSleep", "why");
//     if (created.id) ... power.release(*created.id);

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnlet {

using PowerAssertionID = std::uint32_t;

struct PowerAssertionCreation {
    std::optional<PowerAssertionID> id;  // none when the power manager refused
    int resultCode = 0;                  // the system's result code; 0 on success
};

class PowerAssertions {
public:
    virtual ~PowerAssertions() = default;
    // The "AssertType" of every assertion each process holds, by process identifier; none when the
    // power manager could not be asked.
    virtual std::optional<std::map<int, std::vector<std::string>>> assertionsByProcess() const = 0;
    // Creates an assertion of the type ("PreventUserIdleDisplaySleep" …) at level on, with the
    // reason the system's power tools show.
    virtual PowerAssertionCreation create(const std::string& type, const std::string& reason) = 0;
    virtual void release(PowerAssertionID id) = 0;
};

}  // namespace tarnlet
