#pragma once
// The settings value: a plist-like tree of booleans, numbers, strings, arrays and maps. Comparisons
// follow the platform's object equality, where a boolean is a number (true equals 1).
//
// Only the forward declaration is included here, because this header reaches most of the code and
// the full JSON header is slow to compile: a file that builds, reads or copies values includes
// <nlohmann/json.hpp> itself, and headers only declare functions that take or return a Value.

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>

namespace tarnlet {

using Value = nlohmann::json;

// The kind a value is checked against when settings are imported: booleans and numbers are one
// kind; null and anything else is `other`.
enum class ValueKind { number, string, array, dictionary, other };
ValueKind kindOf(const Value& value);

// Object equality: booleans and numbers compare by numeric value; arrays and maps element-wise.
bool valuesEqual(const Value& a, const Value& b);

// True for numbers, booleans and strings, and for arrays and maps made only of such values.
bool isPlistSafe(const Value& value);

// Loose readings in the manner of the platform's typed defaults accessors: a number from a boolean
// or a numeric string, a boolean from a number or "YES"/"true"/"1". None when the value has no
// sensible reading of that type.
std::optional<bool> boolFrom(const Value& value);
std::optional<long long> integerFrom(const Value& value);
std::optional<double> doubleFrom(const Value& value);
std::optional<std::string> stringFrom(const Value& value);

}  // namespace tarnlet
