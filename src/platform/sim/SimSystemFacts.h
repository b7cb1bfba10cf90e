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

    MachineFacts& mutableMachine() { return m_machine; }
    void setBundleIdentifier(std::optional<std::string> id) { m_bundleIdentifier = std::move(id); }

private:
    MachineFacts m_machine;
    std::optional<std::string> m_bundleIdentifier;
};

}  // namespace tarnlet::sim
