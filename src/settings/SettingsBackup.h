#pragma once
// The settings backup file: the active profile's settings (and whatever sections the caller adds,
// such as the snippets) as one JSON object, and the loose import of such a file back into the
// active profile.
//
//     const std::string text = SettingsBackup::exportJSON(settings, {{"snippets", entries}});
//     if (!SettingsBackup::importJSON(settings, text)) status = "Not a Tarnlet settings file";
//     if (auto snippets = SettingsBackup::importedSection("snippets", text)) store.importEntries(*snippets);
//
// Backup files are untrusted: only the exportable keys can be written, each only with a value of
// the key's own kind, and no input — malformed, deeply nested, huge — crashes or plants anything
// else. Main thread only, like the store it works on.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Value.h"

namespace tarnlet {

class Settings;

class SettingsBackup {
public:
    SettingsBackup() = delete;

    static constexpr const char* kAppName = "Tarnlet";
    static constexpr int kSchema = 1;
    // Containers nested deeper than this make a text unreadable; a real backup nests four deep.
    static constexpr int kMaxDepth = 64;
    // Numbers beyond this magnitude are refused: no setting means anything there, and larger ones
    // would overflow the time arithmetic of the features that read them.
    static constexpr double kLargestNumber = 1e6;

    // The keys a backup carries and an import accepts, in their fixed order.
    static const std::vector<std::string>& exportableKeys();

    // The backup of the active profile, pretty-printed with sorted keys; extras are added at the
    // top level without replacing "app", "schema" or "values". "{}" when encoding fails.
    static std::string exportJSON(const Settings& settings, const Value& extras = Value::object());

    // Merges the file's "values" into the active profile. True when the text is a backup of this
    // application, even if nothing changed; observers are told once, and only when something did.
    static bool importJSON(Settings& settings, const std::string& text);

    // The named top-level array of a backup of this application; none otherwise.
    static std::optional<Value> importedSection(const std::string& name, const std::string& text);

    // Numbers, booleans and strings, and arrays and maps made only of them.
    static bool isPlistSafe(const Value& value);
};

}  // namespace tarnlet
