#pragma once
// The simulated machine: a notched laptop running the reference desktop, unless a test says
// otherwise.

#include "platform/SystemFacts.h"

namespace tarnlet::sim {

class SimSystemFacts : public SystemFacts {
public:
    SimSystemFacts();
    MachineFacts machine() const override { return m_machine; }
    std::optional<std::string> bundleIdentifier() const override { return m_bundleIdentifier; }
    // Below the simulated applications' processes, which start at 501.
    static constexpr int kProcessIdentifier = 400;
    int processIdentifier() const override { return kProcessIdentifier; }

    MachineFacts& mutableMachine() { return m_machine; }
    void setBundleIdentifier(std::optional<std::string> id) { m_bundleIdentifier = std::move(id); }

private:
    MachineFacts m_machine;
    std::optional<std::string> m_bundleIdentifier;
};

}  // namespace tarnlet::sim
