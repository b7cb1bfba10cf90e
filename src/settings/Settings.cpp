#include "settings/Settings.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "settings/SettingsKeys.h"

namespace tarnlet {

namespace {

// The first character of a UTF-8 text: its first code point, whole.
std::string firstCharacter(const std::string& text) {
    if (text.empty()) return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    return text.substr(0, std::min(length, text.size()));
}

}  // namespace

std::optional<Settings::Profile> Settings::profileFromRaw(long long raw) {
    if (raw == 1) return Profile::one;
    if (raw == 2) return Profile::two;
    return std::nullopt;
}

std::optional<Value> Settings::object(const std::string& key) const { return m_defaults->object(key); }

Settings::Settings(UserDefaults& root, DefaultsSuites& suites, std::string suiteName)
    : m_root(root), m_suites(suites), m_suiteName(std::move(suiteName)), m_defaults(&root) {
    m_defaults = &storeFor(profile());
    registerDefaults(*m_defaults);
}

Settings::Profile Settings::profile() const {
    return m_root.integer(kActiveProfileKey) == 2 ? Profile::two : Profile::one;
}

void Settings::setProfile(Profile target) {
    if (target == profile()) return;
    m_root.set(kActiveProfileKey, Value(static_cast<int>(target)));
    m_defaults = &storeFor(target);
    registerDefaults(*m_defaults);
    notifyObservers();
}

UserDefaults& Settings::storeFor(Profile profile) {
    if (profile == Profile::one) return m_root;
    // A profile-two store the platform will not open falls back to the root store, so both
    // profiles then share one store.
    UserDefaults* store = m_suites.suite(m_suiteName + kProfileTwoSuffix);
    return store ? *store : m_root;
}

void Settings::registerDefaults(UserDefaults& store) {
    std::map<std::string, Value> defaults;
    for (const auto& entry : SettingsKeys::registered()) defaults.emplace(entry.key, *entry.registeredDefault);
    store.registerDefaults(defaults);
}

void Settings::set(const std::string& key, const Value& value) {
    const std::optional<Value> old = m_defaults->object(key);
    m_defaults->set(key, value);
    if (old && valuesEqual(*old, value)) return;
    notifyObservers();
}

Uuid Settings::addObserver(std::function<void()> handler) {
    const Uuid id = Uuid::random();
    m_observers.push_back({id, std::move(handler)});
    return id;
}

void Settings::removeObserver(const Uuid& id) {
    std::erase_if(m_observers, [&](const Observer& o) { return o.id == id; });
}

void Settings::notifyObservers() {
    // A copy, so an observer that adds or removes observers does not disturb this round.
    const auto observers = m_observers;
    for (const auto& observer : observers)
        if (observer.handler) observer.handler();
}

void Settings::storesReloaded() {
    m_defaults = &storeFor(profile());
    registerDefaults(*m_defaults);
    notifyObservers();
}

std::set<std::string> Settings::stringSet(const std::string& key) const {
    std::set<std::string> out;
    const auto value = object(key);
    if (!value || !value->is_array()) return out;
    for (const auto& item : *value)
        if (item.is_string()) out.insert(item.get<std::string>());
    return out;
}

void Settings::setStringSet(const std::string& key, const std::set<std::string>& values) {
    Value list = Value::array();
    for (const auto& item : values) list.push_back(item);  // a std::set is already sorted
    set(key, list);
}

void Settings::toggle(const std::string& key, const std::string& bundleID) {
    auto values = stringSet(key);
    if (!values.erase(bundleID)) values.insert(bundleID);
    setStringSet(key, values);
}

long long Settings::autoQuitMinutes() const { return std::max(1LL, integer("autoQuit.minutes")); }

long long Settings::notchMaxHintItems() const { return std::clamp(integer("notch.maxHintItems"), 2LL, 20LL); }

Settings::SpaceFeedback Settings::spaceFeedback() const {
    if (boolean("notch.spaceNumber")) return SpaceFeedback::notch;
    if (boolean("swipe.showsOSD")) return SpaceFeedback::onScreen;
    return SpaceFeedback::none;
}

void Settings::setSpaceFeedback(SpaceFeedback feedback) {
    set("notch.spaceNumber", Value(feedback == SpaceFeedback::notch));
    set("swipe.showsOSD", Value(feedback != SpaceFeedback::none));
}

std::string Settings::listedAppsKey() const {
    return string("sweep.listMode") == "onlyListed" ? "sweep.onlyListedApps" : "sweep.listedApps";
}

std::string Settings::autoQuitAppsKey() const {
    return string("autoQuit.listMode") == "excludeListed" ? "autoQuit.excludedApps" : "autoQuit.apps";
}

std::map<std::string, std::string> Settings::jumpForced() const {
    std::map<std::string, std::string> out;
    const auto value = object("jump.forced");
    if (!value || !value->is_object()) return out;
    for (auto it = value->begin(); it != value->end(); ++it) {
        const std::string letter = firstCharacter(it.key());
        if (letter.empty() || !it->is_string()) continue;
        out[letter] = it->get<std::string>();
    }
    return out;
}

void Settings::setJumpForced(const std::optional<std::string>& letter, const std::string& bundleID) {
    auto forced = jumpForced();
    std::erase_if(forced, [&](const auto& entry) { return entry.second == bundleID; });
    const std::string pinned = letter ? firstCharacter(*letter) : std::string();
    if (!pinned.empty()) {
        forced.erase(pinned);
        forced[pinned] = bundleID;
    }
    Value map = Value::object();
    for (const auto& [key, id] : forced) map[key] = id;
    set("jump.forced", map);
}

}  // namespace tarnlet
