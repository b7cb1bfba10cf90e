#pragma once
// The simulated defaults database: in-memory stores, one per suite, and a switch that makes named
// suites refuse to open. `onWrite` reports every stored change with the suite it landed in.

#include <functional>
#include <memory>
#include <set>

#include "platform/MemoryDefaults.h"

namespace tarnlet::sim {

class SimDefaults : public DefaultsSuites {
public:
    static constexpr const char* kStandardSuite = "standard";

    SimDefaults();
    UserDefaults& standard() override { return *m_standard; }
    UserDefaults* suite(const std::string& name) override;

    // Suites named here refuse to open from now on.
    void refuseSuite(const std::string& name) { m_refused.insert(name); }

    std::function<void(const std::string& suite, const std::string& key, const std::optional<Value>& value)> onWrite;

private:
    MemoryDefaults& make(const std::string& name);

    std::unique_ptr<MemoryDefaults> m_standard;
    std::map<std::string, std::unique_ptr<MemoryDefaults>> m_suites;
    std::set<std::string> m_refused;
};

}  // namespace tarnlet::sim
