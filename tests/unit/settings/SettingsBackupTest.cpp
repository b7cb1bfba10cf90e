#include "settings/SettingsBackup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/sim/SimDefaults.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace tarnlet {
namespace {

class SettingsBackupTest : public ::testing::Test {
protected:
    sim::SimDefaults suites;
    Settings settings{suites.standard(), suites, "app.tarnletapp.Tarnlet"};
    int notifications = 0;

    void SetUp() override {
        settings.addObserver([this] { ++notifications; });
    }

    static std::string backupWith(const std::string& valuesJSON) {
        return R"({"app": "Tarnlet", "schema": 1, "values": )" + valuesJSON + "}";
    }
    std::map<std::string, Value> stored() const { return settings.defaults().storedValues(); }
};

TEST_F(SettingsBackupTest, ExportCarriesTheActiveProfileAndExtrasButNotTheProfileSelection) {
    settings.set("snap.isEnabled", true);
    settings.setJumpIgnored({"com.b", "com.a"});
    settings.set("onboarding.index", 3);
    // Bytes that are not UTF-8 are replaced rather than losing the whole backup.
    settings.set("sweep.strategy", std::string("bad\xff"));
    // Extras join the top level but cannot replace the file's own fields.
    Value extras = {{"snippets", Value::array({Value{{"name", "sig"}}})}, {"app", "Other"}};
    const Value file = Value::parse(SettingsBackup::exportJSON(settings, extras));

    EXPECT_EQ(file["app"], "Tarnlet");
    EXPECT_EQ(file["schema"], 1);
    EXPECT_EQ(file["snippets"][0]["name"], "sig");
    const Value& values = file["values"];
    EXPECT_EQ(values["snap.isEnabled"], true);
    EXPECT_EQ(values["jump.ignored"], Value::array({"com.a", "com.b"}));
    EXPECT_EQ(values["sweep.delay"], 2.0);  // a registered default counts
    EXPECT_EQ(values["sweep.strategy"], "bad\xEF\xBF\xBD");
    EXPECT_FALSE(values.contains("onboarding.index"));
    EXPECT_FALSE(values.contains("settings.activeProfile"));
    EXPECT_FALSE(values.contains("sweep.listedApps"));  // never set, no default
    for (auto it = values.begin(); it != values.end(); ++it) {
        const auto& keys = SettingsBackup::exportableKeys();
        EXPECT_NE(std::find(keys.begin(), keys.end(), it.key()), keys.end()) << it.key();
    }
}

TEST_F(SettingsBackupTest, ReimportingAnExportChangesNothingAndOtherProfilesReceiveIt) {
    settings.set("snap.isEnabled", true);
    settings.set("focus.alpha", 0.55);
    settings.setJumpForced(std::string("s"), "com.apple.Safari");
    const std::string text = SettingsBackup::exportJSON(settings);
    const auto before = stored();
    notifications = 0;

    EXPECT_TRUE(SettingsBackup::importJSON(settings, text));
    EXPECT_EQ(notifications, 0);
    // Defaults that were only registered stay unstored.
    EXPECT_EQ(stored(), before);

    settings.setProfile(Settings::Profile::two);
    notifications = 0;
    EXPECT_TRUE(SettingsBackup::importJSON(settings, text));
    EXPECT_EQ(notifications, 1);
    EXPECT_TRUE(settings.boolean("snap.isEnabled"));
    EXPECT_DOUBLE_EQ(settings.number("focus.alpha"), 0.55);
    EXPECT_EQ(settings.jumpForced().at("s"), "com.apple.Safari");
    EXPECT_EQ(settings.defaults().storedValues().size(), 3u);
}

TEST_F(SettingsBackupTest, ForeignOrMalformedTextIsRefusedWithoutTouchingTheStore) {
    const std::string deepArray = std::string(100000, '[') + std::string(100000, ']');
    const std::vector<std::string> refused = {
        "",
        "not json",
        "[1, 2]",
        "\"Tarnlet\"",
        "null",
        R"({"app": "Other", "values": {"snap.isEnabled": true}})",
        R"({"app": ["Tarnlet"], "values": {"snap.isEnabled": true}})",
        R"({"values": {"snap.isEnabled": true}})",
        R"({"app": "Tarnlet"})",
        R"({"app": "Tarnlet", "values": null})",
        R"({"app": "Tarnlet", "values": [["snap.isEnabled", true]]})",
        R"({"app": "Tarnlet", "values": {"snap.isEnabled": true})",  // cut short
        "{\"app\": \"Tarnlet\", \"values\": {\"sweep.strategy\": \"a\xff\"}}",
        R"({"app": "Tarnlet", "values": {"snap.isEnabled": true, "focus.alpha": 1e400}})",
        R"({"app": "Tarnlet", "values": {"snap.isEnabled": true}, "x": )" + deepArray + "}",
        R"({"app": "Tarnlet", "values": {"snap.isEnabled": true, "jump.ignored": )" + deepArray + "}}",
    };
    for (const auto& text : refused) {
        EXPECT_FALSE(SettingsBackup::importJSON(settings, text)) << text.substr(0, 80);
    }
    // A section too deep to be read is no section at all.
    EXPECT_EQ(SettingsBackup::importedSection("x", R"({"app": "Tarnlet", "x": )" + deepArray + "}"), std::nullopt);
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(notifications, 0);
}

TEST_F(SettingsBackupTest, ImportMergesOnlyKnownKeysWithValuesOfTheirKind) {
    settings.set("breaks.isEnabled", true);  // absent from the file: kept
    notifications = 0;
    const std::string text = R"({"app": "Tarnlet", "schema": 2, "values": {
        "snap.isEnabled": true,
        "jump.isEnabled": "yes",
        "focus.isEnabled": null,
        "focus.alpha": "0.5",
        "settings.activeProfile": 2,
        "onboarding.index": 7,
        "evil.key": true,
        "sweep.listedApps": 42,
        "sweep.onlyListedApps": ["com.b", null],
        "autoQuit.apps": ["com.z", "com.a", "com.z"],
        "awake.triggerApps": [["nested"]],
        "jump.forced": {"a": "com.a", "b": 5},
        "jump.ignored": {"x": "com.x"},
        "notch.maxHintItems": 1e300,
        "autoQuit.minutes": 99999999999999999999,
        "awake.durationMinutes": -9223372036854775808,
        "breaks.breakSeconds": 30,
        "breaks.breakSeconds": 45,
        "sweep.listMode": "onlyListed",
        "clipboard.suggestionsHidden": 1
    }})";

    EXPECT_TRUE(SettingsBackup::importJSON(settings, text));
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(stored(), (std::map<std::string, Value>{
                            {"autoQuit.apps", Value::array({"com.a", "com.z"})},
                            {"breaks.breakSeconds", 45},  // the last of duplicated keys wins
                            {"breaks.isEnabled", true},
                            {"clipboard.suggestionsHidden", 1},
                            {"snap.isEnabled", true},
                            {"sweep.listMode", "onlyListed"},
                        }));
}

TEST_F(SettingsBackupTest, ImportedSectionsComeOnlyFromThisApplicationsFiles) {
    const std::string text = R"({"app": "Tarnlet", "values": {}, "snippets": [{"name": "a"}], "other": {}})";
    EXPECT_EQ(SettingsBackup::importedSection("snippets", text), Value::array({Value{{"name", "a"}}}));
    EXPECT_EQ(SettingsBackup::importedSection("other", text), std::nullopt);
    EXPECT_EQ(SettingsBackup::importedSection("missing", text), std::nullopt);
    EXPECT_EQ(SettingsBackup::importedSection("snippets", R"({"app": "Else", "snippets": []})"), std::nullopt);
}

// Damaged copies of a real backup: whatever survives parsing, nothing outside the exportable keys is
// ever written and every written value has its key's kind.
TEST_F(SettingsBackupTest, DamagedBackupsNeverPlantForeignKeysOrKinds) {
    settings.set("snap.isEnabled", true);
    settings.setListedApps({"com.one", "com.two"});
    settings.setJumpForced(std::string("j"), "com.jump");
    const std::string alphabet = "{}[]\":,0123456789.e-tfnul\\ \xff";
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text = SettingsBackup::exportJSON(settings);
        for (int edits = 1 + static_cast<int>(random() % 4); edits > 0; --edits) {
            const std::size_t at = random() % text.size();
            const char c = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
                case 0: text[at] = c; break;
                case 1: text.insert(at, 1, c); break;
                default: text.erase(at, 1); break;
            }
        }
        SettingsBackup::importJSON(settings, text);
    }
    const auto& keys = SettingsBackup::exportableKeys();
    for (const auto& [key, value] : stored()) {
        ASSERT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << key;
        const SettingType type = SettingsKeys::find(key)->type;
        const ValueKind expected = type == SettingType::string       ? ValueKind::string
                                   : type == SettingType::stringList ? ValueKind::array
                                   : type == SettingType::stringMap  ? ValueKind::dictionary
                                                                     : ValueKind::number;
        EXPECT_EQ(kindOf(value), expected) << key;
        if (value.is_array() || value.is_object()) {
            for (const auto& item : value) EXPECT_TRUE(item.is_string()) << key;
        }
    }
    EXPECT_EQ(settings.root().storedObject(Settings::kActiveProfileKey), std::nullopt);
}

}  // namespace
}  // namespace tarnlet
