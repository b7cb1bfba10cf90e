#include "main/SettingsCommand.h"

#include <optional>
#include <ostream>

#include "platform/host/FileDefaults.h"
#include "platform/host/HostFolders.h"
#include "platform/host/HostSystemFacts.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace tarnlet {

namespace {

int usage(std::ostream& err, const std::string& problem) {
    err << "tarnlet settings: " << problem << '\n' << SettingsCommand::kUsage;
    return 2;
}

std::string text(const Value& value) { return value.dump(-1, ' ', false, Value::error_handler_t::replace); }

// The value readers see: the stored one, else the registered default.
std::optional<Value> effectiveValue(UserDefaults& store, const SettingKey& key) {
    if (auto stored = store.storedObject(key.key)) return stored;
    return key.registeredDefault;
}

}  // namespace

int SettingsCommand::run(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
                         std::ostream& out, std::ostream& err) {
    std::vector<std::string> words;
    std::optional<Settings::Profile> chosen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != "--profile") {
            words.push_back(arguments[i]);
            continue;
        }
        if (i + 1 >= arguments.size()) return usage(err, "--profile needs 1 or 2");
        const std::string& raw = arguments[++i];
        chosen = raw == "1" ? std::optional(Settings::Profile::one)
                 : raw == "2" ? std::optional(Settings::Profile::two)
                              : std::nullopt;
        if (!chosen) return usage(err, "there is no profile '" + raw + "' (1 or 2)");
    }
    if (words.empty()) return usage(err, "missing command");
    const std::string& command = words[0];

    // Everything that can be refused is refused before a store is opened, so a refusal touches no
    // file.
    const SettingKey* key = nullptr;
    std::optional<Value> value;
    if (command == "list") {
        if (words.size() != 1) return usage(err, "list takes no key");
    } else if (command == "get" || command == "set") {
        if (words.size() != (command == "get" ? 2u : 3u))
            return usage(err, command == "get" ? "get needs one KEY" : "set needs a KEY and a VALUE");
        key = SettingsKeys::find(words[1]);
        if (!key) {
            err << "tarnlet settings: unknown setting key '" << words[1] << "' (tarnlet settings list shows them)\n";
            return 2;
        }
        if (command == "set") {
            value = SettingsKeys::parse(key->type, words[2]);
            if (!value) {
                err << "tarnlet settings: '" << words[2] << "' is not a " << SettingsKeys::typeName(key->type)
                    << " (the type of " << words[1] << ")\n";
                return 2;
            }
        }
    } else {
        return usage(err, "unknown command '" + command + "'");
    }

    const std::string identifier = host::HostSystemFacts::kBundleIdentifier;
    host::FileDefaultsSuites suites(folder, identifier);
    host::FileDefaults& root = suites.standardFile();
    const Settings::Profile profile =
        chosen ? *chosen : (root.integer(Settings::kActiveProfileKey) == 2 ? Settings::Profile::two : Settings::Profile::one);
    UserDefaults* store = &root;
    if (profile == Settings::Profile::two)
        if (auto* two = suites.suite(identifier + Settings::kProfileTwoSuffix)) store = two;
    const bool selector = key && key->key == Settings::kActiveProfileKey;
    UserDefaults& target = selector ? root : *store;

    if (command == "list") {
        for (const auto* table : {&SettingsKeys::registered(), &SettingsKeys::unregistered()})
            for (const SettingKey& entry : *table) {
                const bool entrySelector = entry.key == Settings::kActiveProfileKey;
                if (auto current = effectiveValue(entrySelector ? root : *store, entry))
                    out << entry.key << ' ' << text(*current) << '\n';
            }
        return 0;
    }
    if (command == "get") {
        const auto current = effectiveValue(target, *key);
        out << (current ? text(*current) : std::string("null")) << '\n';
        return 0;
    }

    host::HostFolders::createPrivateFolder(folder);
    target.set(key->key, *value);
    auto* file = dynamic_cast<host::FileDefaults*>(&target);
    if (file && file->lastWriteError()) {
        err << "tarnlet settings: " << *file->lastWriteError() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tarnlet
