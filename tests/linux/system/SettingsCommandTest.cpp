#include <gtest/gtest.h>

#include <filesystem>

#include "linux/system/SystemTestSupport.h"
#include "platform/FileIO.h"
#include "platform/host/FileDefaults.h"
#include "platform/host/HostSystemFacts.h"
#include "platform/linux/SettingsFolderWatcher.h"
#include "settings/Settings.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;

const std::string kIdentifier = host::HostSystemFacts::kBundleIdentifier;

// A refused command leaves the settings folder as it was: no file written, none created.
TEST(SettingsCommand, BadKeysAndValuesAreRefusedAndNothingIsWritten) {
    test::PrivateHome home;
    std::string error;
    EXPECT_EQ(test::runTarnlet(home, {"settings", "set", "breaks.noSuchKey", "true"}, &error), 2);
    EXPECT_NE(error.find("unknown setting key 'breaks.noSuchKey'"), std::string::npos) << error;
    EXPECT_EQ(test::runTarnlet(home, {"settings", "set", "breaks.isEnabled", "maybe"}, &error), 2);
    EXPECT_NE(error.find("'maybe' is not a boolean (the type of breaks.isEnabled)"), std::string::npos) << error;
    EXPECT_EQ(test::runTarnlet(home, {"settings", "set", "autoQuit.minutes", "1.5"}), 2);
    EXPECT_EQ(test::runTarnlet(home, {"settings", "set", "breaks.isEnabled", "true", "--profile", "3"}), 2);
    EXPECT_EQ(test::runTarnlet(home, {"settings", "get"}), 2);
    EXPECT_FALSE(fs::exists(home.settingsFolder() / (kIdentifier + ".json")));
    EXPECT_FALSE(fs::exists(home.settingsFolder() / (kIdentifier + ".profile2.json")));
}

// The command writes the active profile's file; a store watching the folder, as a running Tarnlet
// does, re-reads it and its observers hear of it, including a switch of the active profile.
TEST(SettingsCommand, WritesReachAWatchingStoreAndItsObservers) {
    test::PrivateHome home;
    test::ensureQtApplication();
    host::FileDefaultsSuites suites(home.settingsFolder(), kIdentifier);
    linux_desktop::SettingsFolderWatcher watcher(suites);
    ASSERT_TRUE(watcher.isWatching());
    Settings settings(suites.standard(), suites, kIdentifier);
    watcher.onChange = [&] { settings.storesReloaded(); };
    int changes = 0;
    settings.addObserver([&] { ++changes; });
    ASSERT_FALSE(settings.boolean("breaks.isEnabled"));

    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "breaks.isEnabled", "on"}), 0);
    EXPECT_EQ(FileIO::readFile(home.settingsFolder() / (kIdentifier + ".json")).value_or(""),
              "{\"breaks.isEnabled\":true}");
    ASSERT_TRUE(test::waitUntil([&] { return changes >= 1; }));
    EXPECT_TRUE(settings.boolean("breaks.isEnabled"));

    // Profile two gets a value of its own, then becomes the active profile.
    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "autoQuit.minutes", "42", "--profile", "2"}), 0);
    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "settings.activeProfile", "2"}), 0);
    ASSERT_TRUE(test::waitUntil([&] { return settings.profile() == Settings::Profile::two; }));
    ASSERT_TRUE(test::waitUntil([&] { return settings.integer("autoQuit.minutes") == 42; }));
    EXPECT_FALSE(settings.boolean("breaks.isEnabled"));  // profile two's own (default) value

    // This process's own write is no news to it: after it and one outside write, observers have
    // heard of exactly two changes.
    const int before = changes;
    settings.set("breaks.isEnabled", Value(true));
    ASSERT_EQ(test::runTarnlet(home, {"settings", "set", "sweep.isEnabled", "true"}), 0);
    ASSERT_TRUE(test::waitUntil([&] { return settings.boolean("sweep.isEnabled"); }));
    EXPECT_EQ(changes, before + 2);
    EXPECT_TRUE(settings.boolean("breaks.isEnabled"));

    QProcess get;
    test::startTarnlet(get, home, {"settings", "get", "autoQuit.minutes"});
    ASSERT_TRUE(get.waitForFinished(60000));
    EXPECT_EQ(get.readAllStandardOutput().toStdString(), "42\n");
}

}  // namespace
}  // namespace tarnlet
