#pragma once
// A user-defaults store: a flat map from key to Value, with a volatile registration domain that
// answers for keys the store does not hold. Typed readers return the type's neutral value (false,
// 0, 0.0, "") when neither the store nor the registration domain has a usable value.
// Main thread only.

#include <map>
#include <optional>
#include <string>

#include "base/Value.h"

namespace tarnlet {

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // The stored value, else the registered default, else none.
    virtual std::optional<Value> object(const std::string& key) const = 0;
    // The stored value only, ignoring registered defaults.
    virtual std::optional<Value> storedObject(const std::string& key) const = 0;
    virtual void set(const std::string& key, const Value& value) = 0;
    virtual void remove(const std::string& key) = 0;
    // Adds to the registration domain; nothing is written to disk.
    virtual void registerDefaults(const std::map<std::string, Value>& defaults) = 0;
    // Every key held by the store itself (not the registration domain), sorted.
    virtual std::map<std::string, Value> storedValues() const = 0;

    bool boolean(const std::string& key) const;
    long long integer(const std::string& key) const;
    double number(const std::string& key) const;
    std::string string(const std::string& key) const;
};

// The platform's defaults database: the application's standard store and named suites.
class DefaultsSuites {
public:
    virtual ~DefaultsSuites() = default;
    virtual UserDefaults& standard() = 0;
    // The store of a named suite; nullptr when the platform refuses to open it.
    virtual UserDefaults* suite(const std::string& name) = 0;
};

}  // namespace tarnlet
