// Settings: writes through the store, profiles, the settings window and the backup buttons of the
// General pane.

#include "app/AppDelegate.h"
#include "app/BackupOperations.h"
#include "app/tools/SnippetsTool.h"
#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"
#include "platform/FileIO.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace tarnlet::scenario {

namespace {

// The ways into the settings tools, so a change in how the application hands them out touches
// only these lines.
Settings& settings(ScenarioSession& s) { return s.app().settings(); }
BackupOperations& backup(ScenarioSession& s) { return s.app().tool<SnippetsTool>().backup(); }

// What the last export or import showed, for `expect backup`.
struct BackupStatus : ScenarioPart {
    std::string shown;
};

// KEY VALUE, the value read by the key's type.
std::pair<std::string, Value> keyAndValue(ScenarioWords& w) {
    std::string name = w.word();
    std::string text = w.word();
    if (w.failed()) return {};
    const SettingKey* key = SettingsKeys::find(name);
    if (!key) {
        w.fail("unknown setting key '" + clip(name) + "'");
        return {};
    }
    auto value = SettingsKeys::parse(key->type, text);
    if (!value) {
        w.fail("'" + clip(text) + "' is not a " + SettingsKeys::typeName(key->type) + " (the type of " + name + ")");
        return {};
    }
    return {std::move(name), std::move(*value)};
}

ScenarioAction parseSettings(ScenarioWords& w) {
    if (w.left() == 3 && w.take("set")) {
        auto [key, value] = keyAndValue(w);
        return [key, value](ScenarioSession& s) {
            settings(s).set(key, value);
            return success();
        };
    }
    if (w.left() == 2 && w.take("profile")) {
        const auto profile = w.oneOf({"1", "2"}) == "1" ? Settings::Profile::one : Settings::Profile::two;
        return [profile](ScenarioSession& s) {
            settings(s).setProfile(profile);
            return success();
        };
    }
    w.fail();
    return {};
}

ScenarioAction parseBackup(ScenarioWords& w) {
    if (w.take("export")) {
        return [](ScenarioSession& s) {
            auto& status = s.part<BackupStatus>().shown;
            status = backup(s).exportSettings();
            s.print("backup: " + status);
            return success();
        };
    }
    if (!w.take("import")) {
        w.fail();
        return {};
    }
    std::optional<std::filesystem::path> given;
    if (!w.atEnd()) given = w.word();
    return [given](ScenarioSession& s) -> Status {
        const auto file = given.value_or(s.desktop().folders().desktop() / BackupOperations::kFileName);
        // Read without blocking: a named pipe or a device put where the backup belongs is refused
        // instead of hanging the run.
        const auto text = FileIO::readFile(file);
        if (!text) return Failure{"cannot read the backup " + clip(file.string())};
        auto& status = s.part<BackupStatus>().shown;
        status = backup(s).importSettings(*text);
        s.print("backup: " + status);
        return success();
    };
}

ScenarioAction parseExpectSetting(ScenarioWords& w, bool) {
    if (!w.exactly(2)) return {};
    auto [key, expected] = keyAndValue(w);
    return [key, expected](ScenarioSession& s) -> Status {
        const auto actual = settings(s).object(key);
        if (actual && valuesEqual(*actual, expected)) return success();
        return Failure{"expected " + key + " = " + describe(expected) + ", found " +
                       (actual ? describe(*actual) : std::string("no value"))};
    };
}

ScenarioAction parseExpectProfile(ScenarioWords& w, bool) {
    return [expected = w.oneOf({"1", "2"})](ScenarioSession& s) -> Status {
        const auto actual = std::to_string(static_cast<int>(settings(s).profile()));
        if (actual == expected) return success();
        return Failure{"expected profile " + expected + ", found profile " + actual};
    };
}

ScenarioAction parseExpectSettingsWindow(ScenarioWords& w, bool) {
    if (!w.exactly(1)) return {};
    const std::string expected = w.peek();
    w.seconds();
    return [expected](ScenarioSession& s) -> Status {
        const auto actual = std::to_string(s.app().settingsWindowShowCount());
        if (actual == expected) return success();
        return Failure{"expected the settings window shown " + clip(expected) + " time(s), found " + actual};
    };
}

ScenarioAction parseExpectBackup(ScenarioWords& w, bool) {
    return [expected = w.word()](ScenarioSession& s) -> Status {
        const auto& shown = s.part<BackupStatus>().shown;
        if (shown == expected) return success();
        return Failure{"expected the backup status \"" + clip(expected) + "\", found \"" + shown + "\""};
    };
}

using Negation = ScenarioExpectation::Negation;

const ScenarioCommands::Registrar kRegistrar(
    {{"settings", "usage: settings set KEY VALUE | settings profile 1|2", parseSettings},
     {"backup", "usage: backup export | backup import [FILE]", parseBackup}},
    {{"setting", "expect setting KEY VALUE", Negation::refused, parseExpectSetting},
     {"profile", "expect profile 1|2", Negation::refused, parseExpectProfile},
     {"settings-window", "expect settings-window COUNT", Negation::refused, parseExpectSettingsWindow},
     {"backup", "expect backup \"STATUS\"", Negation::refused, parseExpectBackup}});

}  // namespace

}  // namespace tarnlet::scenario
