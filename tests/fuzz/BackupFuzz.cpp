// Backup files are untrusted: this feeds arbitrary bytes to the settings import and, through it,
// to the snippet importer and the template expansion of every imported body. Besides never
// crashing, the import may write only the exportable keys, each only with a value of its kind.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "clipboard/SnippetStore.h"
#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDefaults.h"
#include "settings/Settings.h"
#include "settings/SettingsBackup.h"
#include "settings/SettingsKeys.h"

namespace {

using namespace tarnlet;

bool hasKindOf(SettingType type, const Value& value) {
    switch (type) {
        case SettingType::boolean:
        case SettingType::integer:
        case SettingType::real: return value.is_number() || value.is_boolean();
        case SettingType::string: return value.is_string();
        case SettingType::stringList: return value.is_array();
        case SettingType::stringMap: return value.is_object();
    }
    return false;
}

[[noreturn]] void fail(const char* what, const std::string& key) {
    std::fprintf(stderr, "backup import broke its promise: %s (%s)\n", what, key.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::set<std::string> allowed(SettingsBackup::exportableKeys().begin(),
                                               SettingsBackup::exportableKeys().end());
    static TemporaryFolder root("tarnlet-fuzz");

    const std::string text(reinterpret_cast<const char*>(data), size);
    sim::SimDefaults defaults;
    Settings settings(defaults.standard(), defaults, "Tarnlet");
    const auto before = defaults.standard().storedValues();
    (void)SettingsBackup::importJSON(settings, text);

    for (const auto& [key, value] : defaults.standard().storedValues()) {
        if (before.count(key) && before.at(key) == value) continue;
        if (!allowed.count(key)) fail("a key outside the list was written", key);
        const SettingKey* known = SettingsKeys::find(key);
        if (!known) fail("an unknown key was written", key);
        if (!hasKindOf(known->type, value)) fail("a value of the wrong kind was stored", key);
        if (!SettingsBackup::isPlistSafe(value)) fail("a value that is not plist-safe was stored", key);
    }

    if (auto snippets = SettingsBackup::importedSection("snippets", text)) {
        SnippetStore store(root.path());
        (void)store.importEntries(*snippets);
        const SnippetStore::Moment moment{1767258000.0, "en_GB", "Europe/Berlin"};
        for (const Snippet& snippet : store.all()) (void)SnippetStore::expand(snippet.body, std::string("clip"), moment);
        // Each run starts from an empty store.
        std::error_code ignored;
        std::filesystem::remove(store.fileURL(), ignored);
    }
    return 0;
}
