#include "platform/UserDefaults.h"

#include <nlohmann/json.hpp>

namespace tarnlet {

bool UserDefaults::boolean(const std::string& key) const {
    auto value = object(key);
    return value ? boolFrom(*value).value_or(false) : false;
}

long long UserDefaults::integer(const std::string& key) const {
    auto value = object(key);
    return value ? integerFrom(*value).value_or(0) : 0;
}

double UserDefaults::number(const std::string& key) const {
    auto value = object(key);
    return value ? doubleFrom(*value).value_or(0.0) : 0.0;
}

std::string UserDefaults::string(const std::string& key) const {
    auto value = object(key);
    return value ? stringFrom(*value).value_or(std::string()) : std::string();
}

}  // namespace tarnlet
