#include "settings/SettingsBackup.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace tarnlet {

namespace {

// The type a key's values must have. The keys owned by single features that the key table does not
// list are all switches.
SettingType typeOf(const std::string& key) {
    const SettingKey* known = SettingsKeys::find(key);
    return known ? known->type : SettingType::boolean;
}

bool isAllStrings(const Value& container) {
    return std::all_of(container.begin(), container.end(), [](const Value& v) { return v.is_string(); });
}

// The value as it is to be stored under a key of this type, or none when it is of the wrong kind.
// Booleans and numbers are one kind, as in the platform's store; a list is kept sorted and free of
// repeats, as every writer of the store keeps it.
std::optional<Value> storable(SettingType type, const Value& value) {
    switch (type) {
        case SettingType::boolean:
        case SettingType::integer:
        case SettingType::real:
            if (value.is_boolean()) return value;
            if (!value.is_number()) return std::nullopt;
            // Every number converts to a double without harm; NaN and infinities fail the test.
            if (!(std::fabs(value.get<double>()) <= SettingsBackup::kLargestNumber)) return std::nullopt;
            return value;
        case SettingType::string:
            return value.is_string() ? std::optional<Value>(value) : std::nullopt;
        case SettingType::stringList: {
            if (!value.is_array() || !isAllStrings(value)) return std::nullopt;
            std::vector<std::string> items = value.get<std::vector<std::string>>();
            std::sort(items.begin(), items.end());
            items.erase(std::unique(items.begin(), items.end()), items.end());
            return Value(items);
        }
        case SettingType::stringMap:
            if (!value.is_object() || !isAllStrings(value)) return std::nullopt;
            return value;
    }
    return std::nullopt;
}

// The text as a backup of this application: a JSON object whose "app" names it. Nesting is bounded
// while parsing (nothing deeper is even built), so a hostile file cannot exhaust the stack of the
// recursive walks that follow.
std::optional<Value> parseBackup(const std::string& text) {
    bool tooDeep = false;
    auto guard = [&tooDeep](int depth, Value::parse_event_t event, Value&) {
        const bool opens = event == Value::parse_event_t::object_start || event == Value::parse_event_t::array_start;
        if (opens && depth >= SettingsBackup::kMaxDepth) {
            tooDeep = true;
            return false;
        }
        return !tooDeep;
    };
    Value parsed = Value::parse(text, guard, /*allow_exceptions=*/false);
    if (tooDeep || parsed.is_discarded() || !parsed.is_object()) return std::nullopt;
    const auto app = parsed.find("app");
    if (app == parsed.end() || !app->is_string() || app->get_ref<const std::string&>() != SettingsBackup::kAppName)
        return std::nullopt;
    return parsed;
}

}  // namespace

const std::vector<std::string>& SettingsBackup::exportableKeys() {
    static const std::vector<std::string> keys = {
        "sweep.isEnabled", "sweep.delay", "sweep.listMode", "sweep.listedApps", "sweep.onlyListedApps",
        "sweep.strategy", "sweep.keepSelfBackgrounded", "swipe.isEnabled", "swipe.showsOSD", "awake.isEnabled",
        "awake.durationMinutes", "awake.allowDisplaySleep", "awake.endOnLowBattery", "snap.isEnabled",
        "snap.keyboardShortcuts", "snap.onDrag", "jump.isEnabled", "jump.forced", "jump.ignored",
        "jump.hideOnRepeat", "jump.cycleSameLetter", "notch.leaderHints", "notch.featureHints",
        "notch.spaceNumber", "notch.snapHints", "notch.batteryChips", "notch.onNotchlessDisplays",
        "shelf.isEnabled", "shelf.convert", "shelf.haptics", "shelf.skipThumbnail", "notch.deviceChips",
        "awake.triggerApps", "focus.isEnabled", "focus.alpha", "snap.mouseSnap", "breaks.isEnabled",
        "breaks.workIntervalMinutes", "breaks.breakSeconds", "breaks.preWarn", "breaks.smartDefer",
        "breaks.delayedSkip", "breaks.excludedApps", "clipboard.isEnabled", "clipboard.excludedApps",
        "clipboard.suggestionsHidden", "ocr.isEnabled", "notch.hintDelay", "notch.maxHintItems",
        "sweep.quitChips", "shelf.autoScreenshots", "snippets.isEnabled", "debug.snapZones",
        "colorPicker.isEnabled", "notch.nowPlaying", "awake.onExternalDisplay", "awake.onDriveMounted",
        "autoQuit.isEnabled", "autoQuit.apps", "autoQuit.excludedApps", "autoQuit.listMode", "autoQuit.minutes",
        "settings.freeOnClose", "diagnostics.logging", "shelf.removeOnDragOut",
    };
    return keys;
}

std::string SettingsBackup::exportJSON(const Settings& settings, const Value& extras) {
    Value root = Value::object();
    if (extras.is_object())
        for (auto it = extras.begin(); it != extras.end(); ++it) root[it.key()] = *it;
    Value values = Value::object();
    for (const std::string& key : exportableKeys())
        if (auto value = settings.object(key)) values[key] = std::move(*value);
    root["app"] = kAppName;
    root["schema"] = kSchema;
    root["values"] = std::move(values);
    try {
        // Text that is not valid UTF-8 is written with replacement characters rather than losing the
        // whole backup to one bad byte.
        return root.dump(2, ' ', false, Value::error_handler_t::replace);
    } catch (const std::exception&) {
        return "{}";
    }
}

bool SettingsBackup::importJSON(Settings& settings, const std::string& text) {
    const auto backup = parseBackup(text);
    if (!backup) return false;
    const auto values = backup->find("values");
    if (values == backup->end() || !values->is_object()) return false;

    static const std::unordered_set<std::string> allowed(exportableKeys().begin(), exportableKeys().end());
    bool changed = false;
    for (auto it = values->begin(); it != values->end(); ++it) {
        if (!allowed.contains(it.key())) continue;
        if (!isPlistSafe(*it)) continue;
        const auto value = storable(typeOf(it.key()), *it);
        if (!value) continue;
        // A value equal to the one in force is not written, so that importing a backup does not pin
        // registered defaults into the store.
        const auto existing = settings.object(it.key());
        if (existing && valuesEqual(*existing, *value)) continue;
        settings.defaults().set(it.key(), *value);
        changed = true;
    }
    if (changed) settings.notifyObservers();
    return true;
}

std::optional<Value> SettingsBackup::importedSection(const std::string& name, const std::string& text) {
    const auto backup = parseBackup(text);
    if (!backup) return std::nullopt;
    const auto section = backup->find(name);
    if (section == backup->end() || !section->is_array()) return std::nullopt;
    return *section;
}

bool SettingsBackup::isPlistSafe(const Value& value) { return tarnlet::isPlistSafe(value); }

}  // namespace tarnlet
