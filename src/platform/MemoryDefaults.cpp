#include "platform/MemoryDefaults.h"

#include <nlohmann/json.hpp>

namespace tarnlet {

MemoryDefaults::MemoryDefaults() = default;

MemoryDefaults::MemoryDefaults(std::map<std::string, Value> values) : m_values(std::move(values)) {}

MemoryDefaults::~MemoryDefaults() = default;

std::map<std::string, Value> MemoryDefaults::storedValues() const { return m_values; }

std::optional<Value> MemoryDefaults::object(const std::string& key) const {
    if (auto it = m_values.find(key); it != m_values.end()) return it->second;
    if (auto it = m_registered.find(key); it != m_registered.end()) return it->second;
    return std::nullopt;
}

std::optional<Value> MemoryDefaults::storedObject(const std::string& key) const {
    if (auto it = m_values.find(key); it != m_values.end()) return it->second;
    return std::nullopt;
}

void MemoryDefaults::set(const std::string& key, const Value& value) {
    // Storing null is how the platform removes a key.
    if (value.is_null()) {
        remove(key);
        return;
    }
    m_values[key] = value;
    if (onWrite) onWrite(key, value);
}

void MemoryDefaults::remove(const std::string& key) {
    if (m_values.erase(key) && onWrite) onWrite(key, std::nullopt);
}

void MemoryDefaults::registerDefaults(const std::map<std::string, Value>& defaults) {
    for (const auto& [key, value] : defaults) m_registered[key] = value;
}

}  // namespace tarnlet
