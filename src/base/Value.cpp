#include "base/Value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace tarnlet {

namespace {

bool isNumeric(const Value& v) { return v.is_boolean() || v.is_number(); }

double asDouble(const Value& v) {
    if (v.is_boolean()) return v.get<bool>() ? 1.0 : 0.0;
    return v.get<double>();
}

std::optional<double> parseNumber(const std::string& text) {
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    double out = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, out);
    if (ec != std::errc() || end == first) return std::nullopt;
    return out;
}

}  // namespace

ValueKind kindOf(const Value& value) {
    if (isNumeric(value)) return ValueKind::number;
    if (value.is_string()) return ValueKind::string;
    if (value.is_array()) return ValueKind::array;
    if (value.is_object()) return ValueKind::dictionary;
    return ValueKind::other;
}

bool valuesEqual(const Value& a, const Value& b) {
    if (isNumeric(a) && isNumeric(b)) {
        // Integers compare exactly; mixed integer and floating values compare as doubles.
        if ((a.is_number_integer() || a.is_boolean()) && (b.is_number_integer() || b.is_boolean())) {
            auto wide = [](const Value& v) -> long double {
                if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
                if (v.is_number_unsigned()) return static_cast<long double>(v.get<unsigned long long>());
                return static_cast<long double>(v.get<long long>());
            };
            return wide(a) == wide(b);
        }
        return asDouble(a) == asDouble(b);
    }
    if (a.type() != b.type()) return false;
    if (a.is_array()) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!valuesEqual(a[i], b[i])) return false;
        return true;
    }
    if (a.is_object()) {
        if (a.size() != b.size()) return false;
        for (auto it = a.begin(); it != a.end(); ++it) {
            auto other = b.find(it.key());
            if (other == b.end() || !valuesEqual(*it, *other)) return false;
        }
        return true;
    }
    return a == b;
}

bool isPlistSafe(const Value& value) {
    if (isNumeric(value) || value.is_string()) return true;
    if (value.is_array() || value.is_object()) {
        for (const auto& element : value)
            if (!isPlistSafe(element)) return false;
        return true;
    }
    return false;
}

std::optional<bool> boolFrom(const Value& value) {
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_number()) return asDouble(value) != 0.0;
    if (value.is_string()) {
        const auto& s = value.get_ref<const std::string&>();
        if (s == "YES" || s == "yes" || s == "true" || s == "TRUE") return true;
        if (auto n = parseNumber(s)) return *n != 0.0;
        return false;
    }
    return std::nullopt;
}

std::optional<long long> integerFrom(const Value& value) {
    if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()) {
            const auto u = value.get<unsigned long long>();
            return u > static_cast<unsigned long long>(std::numeric_limits<long long>::max())
                       ? std::numeric_limits<long long>::max()
                       : static_cast<long long>(u);
        }
        return value.get<long long>();
    }
    std::optional<double> d;
    if (value.is_number_float()) d = value.get<double>();
    else if (value.is_string()) d = parseNumber(value.get_ref<const std::string&>());
    if (!d || std::isnan(*d)) return d ? std::optional<long long>(0) : std::nullopt;
    // Truncates toward zero like the platform; out-of-range values saturate instead of overflowing.
    if (*d >= 9.2e18) return std::numeric_limits<long long>::max();
    if (*d <= -9.2e18) return std::numeric_limits<long long>::min();
    return static_cast<long long>(*d);
}

std::optional<double> doubleFrom(const Value& value) {
    if (isNumeric(value)) return asDouble(value);
    if (value.is_string()) return parseNumber(value.get_ref<const std::string&>());
    return std::nullopt;
}

std::optional<std::string> stringFrom(const Value& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return std::to_string(value.get<long long>());
    if (value.is_number_float()) return value.dump();
    return std::nullopt;
}

}  // namespace tarnlet
