#pragma once
// The settings keys the store knows: the registered defaults in registration order, and the keys
// that have no default. A key's type tells readers and the scenario runner how to read a value.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Value.h"

namespace tarnlet {

enum class SettingType { boolean, integer, real, string, stringList, stringMap };

struct SettingKey {
    std::string key;
    SettingType type;
    std::optional<Value> registeredDefault;  // none for keys without a registered default
};

class SettingsKeys {
public:
    // The 57 registered defaults, in registration order.
    static const std::vector<SettingKey>& registered();
    // The keys without a registered default.
    static const std::vector<SettingKey>& unregistered();
    // Any known key; none for an unknown one.
    static const SettingKey* find(const std::string& key);
    static const char* typeName(SettingType type);

    // Reads a command-line or scenario text as a value of the key's type: "true"/"false" (also
    // "on"/"off", "yes"/"no", "1"/"0") for booleans, whole numbers for integers, decimals for reals,
    // comma-separated items for lists, "letter=id" items for maps, or any JSON text of the right
    // kind. None when the text does not fit the type.
    static std::optional<Value> parse(SettingType type, const std::string& text);
};

}  // namespace tarnlet
