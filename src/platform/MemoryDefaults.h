#pragma once
// A user-defaults store held in memory: the simulated desktop's store and the working copy behind
// the file-backed host store. `onWrite` reports every change to the store (not to the registration
// domain); a removal reports none. Main thread only.

#include <functional>

#include "platform/UserDefaults.h"

namespace tarnlet {

class MemoryDefaults : public UserDefaults {
public:
    MemoryDefaults();
    explicit MemoryDefaults(std::map<std::string, Value> values);
    ~MemoryDefaults() override;

    std::optional<Value> object(const std::string& key) const override;
    std::optional<Value> storedObject(const std::string& key) const override;
    void set(const std::string& key, const Value& value) override;
    void remove(const std::string& key) override;
    void registerDefaults(const std::map<std::string, Value>& defaults) override;
    std::map<std::string, Value> storedValues() const override;

    std::function<void(const std::string& key, const std::optional<Value>& value)> onWrite;

private:
    std::map<std::string, Value> m_values;
    std::map<std::string, Value> m_registered;
};

}  // namespace tarnlet
