#include "platform/sim/SimDefaults.h"

#include <nlohmann/json.hpp>

namespace tarnlet::sim {

SimDefaults::SimDefaults() {
    m_standard = std::make_unique<MemoryDefaults>();
    m_standard->onWrite = [this](const std::string& key, const std::optional<Value>& value) {
        if (onWrite) onWrite(kStandardSuite, key, value);
    };
}

UserDefaults* SimDefaults::suite(const std::string& name) {
    if (m_refused.count(name)) return nullptr;
    if (auto it = m_suites.find(name); it != m_suites.end()) return it->second.get();
    return &make(name);
}

MemoryDefaults& SimDefaults::make(const std::string& name) {
    auto store = std::make_unique<MemoryDefaults>();
    store->onWrite = [this, name](const std::string& key, const std::optional<Value>& value) {
        if (onWrite) onWrite(name, key, value);
    };
    return *(m_suites[name] = std::move(store));
}

}  // namespace tarnlet::sim
