#include "settings/SettingsKeys.h"

#include <charconv>
#include <cmath>

namespace tarnlet {

namespace {

using T = SettingType;

SettingKey b(const char* key, bool value) { return {key, T::boolean, Value(value)}; }
SettingKey i(const char* key, long long value) { return {key, T::integer, Value(value)}; }
SettingKey d(const char* key, double value) { return {key, T::real, Value(value)}; }
SettingKey s(const char* key, const char* value) { return {key, T::string, Value(value)}; }

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> splitItems(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto comma = text.find(',', start);
        const auto item = trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!item.empty()) items.push_back(item);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

bool fitsType(SettingType type, const Value& value) {
    switch (type) {
        case T::boolean: return value.is_boolean();
        case T::integer: return value.is_number_integer();
        case T::real: return value.is_number();
        case T::string: return value.is_string();
        case T::stringList:
            if (!value.is_array()) return false;
            for (const auto& item : value)
                if (!item.is_string()) return false;
            return true;
        case T::stringMap:
            if (!value.is_object()) return false;
            for (const auto& item : value)
                if (!item.is_string()) return false;
            return true;
    }
    return false;
}

}  // namespace

const std::vector<SettingKey>& SettingsKeys::registered() {
    static const std::vector<SettingKey> keys = {
        b("sweep.isEnabled", false),
        d("sweep.delay", 2.0),
        s("sweep.listMode", "excludeListed"),
        s("sweep.strategy", "efficient"),
        b("sweep.keepSelfBackgrounded", true),
        b("swipe.isEnabled", false),
        b("swipe.showsOSD", true),
        b("awake.isEnabled", false),
        i("awake.durationMinutes", 0),
        b("awake.allowDisplaySleep", false),
        b("awake.endOnLowBattery", true),
        b("snap.isEnabled", false),
        b("snap.keyboardShortcuts", true),
        b("snap.onDrag", true),
        b("jump.isEnabled", false),
        b("jump.hideOnRepeat", true),
        b("jump.cycleSameLetter", true),
        b("notch.leaderHints", true),
        b("notch.featureHints", true),
        b("notch.spaceNumber", true),
        b("notch.snapHints", true),
        b("notch.batteryChips", false),
        b("notch.onNotchlessDisplays", true),
        b("shelf.isEnabled", false),
        b("shelf.convert", true),
        b("shelf.haptics", true),
        b("shelf.skipThumbnail", false),
        b("notch.deviceChips", false),
        b("focus.isEnabled", false),
        d("focus.alpha", 0.3),
        b("snap.mouseSnap", true),
        b("breaks.isEnabled", false),
        i("breaks.workIntervalMinutes", 20),
        i("breaks.breakSeconds", 20),
        b("breaks.preWarn", true),
        b("breaks.smartDefer", true),
        b("breaks.delayedSkip", true),
        b("clipboard.isEnabled", false),
        b("ocr.isEnabled", false),
        d("notch.hintDelay", 0.2),
        i("notch.maxHintItems", 8),
        b("sweep.quitChips", false),
        b("shelf.autoScreenshots", false),
        b("snippets.isEnabled", false),
        b("debug.snapZones", false),
        b("settings.freeOnClose", false),
        i("onboarding.index", 0),
        b("onboarding.dismissed", false),
        b("diagnostics.logging", false),
        b("shelf.removeOnDragOut", false),
        b("colorPicker.isEnabled", false),
        b("notch.nowPlaying", false),
        b("awake.onExternalDisplay", false),
        b("awake.onDriveMounted", false),
        b("autoQuit.isEnabled", false),
        s("autoQuit.listMode", "onlyListed"),
        i("autoQuit.minutes", 15),
    };
    return keys;
}

const std::vector<SettingKey>& SettingsKeys::unregistered() {
    static const std::vector<SettingKey> keys = {
        {"settings.activeProfile", T::integer, std::nullopt},
        {"sweep.listedApps", T::stringList, std::nullopt},
        {"sweep.onlyListedApps", T::stringList, std::nullopt},
        {"autoQuit.apps", T::stringList, std::nullopt},
        {"autoQuit.excludedApps", T::stringList, std::nullopt},
        {"awake.triggerApps", T::stringList, std::nullopt},
        {"breaks.excludedApps", T::stringList, std::nullopt},
        {"clipboard.excludedApps", T::stringList, std::nullopt},
        {"jump.forced", T::stringMap, std::nullopt},
        {"jump.ignored", T::stringList, std::nullopt},
    };
    return keys;
}

const SettingKey* SettingsKeys::find(const std::string& key) {
    for (const auto* table : {&registered(), &unregistered()})
        for (const auto& entry : *table)
            if (entry.key == key) return &entry;
    return nullptr;
}

const char* SettingsKeys::typeName(SettingType type) {
    switch (type) {
        case T::boolean: return "boolean";
        case T::integer: return "integer";
        case T::real: return "number";
        case T::string: return "string";
        case T::stringList: return "list of bundle identifiers";
        case T::stringMap: return "map of letters to bundle identifiers";
    }
    return "value";
}

std::optional<Value> SettingsKeys::parse(SettingType type, const std::string& raw) {
    const std::string text = trim(raw);
    if (!text.empty() && (text.front() == '[' || text.front() == '{')) {
        Value parsed = Value::parse(text, nullptr, false);
        if (parsed.is_discarded() || !fitsType(type, parsed)) return std::nullopt;
        return parsed;
    }
    switch (type) {
        case T::boolean:
            if (text == "true" || text == "on" || text == "yes" || text == "1") return Value(true);
            if (text == "false" || text == "off" || text == "no" || text == "0") return Value(false);
            return std::nullopt;
        case T::integer: {
            long long value = 0;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
            return Value(value);
        }
        case T::real: {
            double value = 0;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value))
                return std::nullopt;
            return Value(value);
        }
        case T::string: {
            if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return Value(text.substr(1, text.size() - 2));
            return Value(text);
        }
        case T::stringList: {
            Value list = Value::array();
            for (auto& item : splitItems(text)) list.push_back(item);
            return list;
        }
        case T::stringMap: {
            Value map = Value::object();
            for (auto& item : splitItems(text)) {
                const auto eq = item.find('=');
                if (eq == std::string::npos || eq == 0 || eq + 1 == item.size()) return std::nullopt;
                map[trim(item.substr(0, eq))] = trim(item.substr(eq + 1));
            }
            return map;
        }
    }
    return std::nullopt;
}

}  // namespace tarnlet
