#include "app/BackupOperations.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "clipboard/SnippetStore.h"
#include "platform/AppFiles.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class BackupOperationsTest : public ::testing::Test {
protected:
    sim::SimDesktop& desktop() { return env.desktop(); }
    std::filesystem::path backupFile() { return desktop().folders().desktop() / "Tarnlet-Settings.json"; }

    test::TestEnvironment env;
    Settings settings{desktop().defaults().standard(), desktop().defaults(), "app.tarnletapp.Tarnlet"};
    SnippetStore snippets{AppFiles(desktop().folders()).root()};
    BackupOperations backup{settings, snippets, desktop().folders(), desktop().workspace()};
};

TEST_F(BackupOperationsTest, ExportSavesToTheDesktopAndAnotherInstallationTakesItBack) {
    settings.set("snap.isEnabled", true);
    snippets.save(Snippet::make("sig", "Regards"));
    snippets.save(Snippet::make("addr", "1 Main St"));

    EXPECT_EQ(backup.exportSettings(), "Saved to the Desktop");
    ASSERT_EQ(desktop().workspace().revealed(), std::vector<std::filesystem::path>{backupFile()});
    const std::string text = test::readText(backupFile());
    EXPECT_EQ(Value::parse(text)["snippets"].size(), 2u);

    // A second installation: its own defaults and data folder.
    test::TestEnvironment other;
    Settings otherSettings{other.desktop().defaults().standard(), other.desktop().defaults(), "app.tarnletapp.Tarnlet"};
    SnippetStore otherSnippets{AppFiles(other.desktop().folders()).root()};
    BackupOperations otherBackup{otherSettings, otherSnippets, other.desktop().folders(), other.desktop().workspace()};
    int refreshed = 0;
    otherBackup.onImported = [&] { ++refreshed; };

    EXPECT_EQ(otherBackup.importSettings(text), "Settings imported · 2 snippets");
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(otherSettings.boolean("snap.isEnabled"));
    EXPECT_EQ(otherSnippets.all().size(), 2u);
}

TEST_F(BackupOperationsTest, ImportStatusCountsSnippetsAndRefusesForeignFiles) {
    int refreshed = 0;
    backup.onImported = [&] { ++refreshed; };

    EXPECT_EQ(backup.importSettings(R"({"app": "Other", "values": {}, "snippets": [{"trigger": "a", "body": "b"}]})"),
              "Not a Tarnlet settings file");
    EXPECT_EQ(backup.importSettings("\xff\xfe garbage"), "Not a Tarnlet settings file");
    EXPECT_EQ(refreshed, 0);
    EXPECT_TRUE(snippets.all().empty());

    EXPECT_EQ(backup.importSettings(R"({"app": "Tarnlet", "values": {}})"), "Settings imported");
    EXPECT_EQ(backup.importSettings(R"({"app": "Tarnlet", "values": {}, "snippets": [{"trigger": 1}]})"),
              "Settings imported");
    EXPECT_EQ(backup.importSettings(R"({"app": "Tarnlet", "values": {}, "snippets": [{"trigger": "a", "body": "b"}]})"),
              "Settings imported · 1 snippet");
    EXPECT_EQ(refreshed, 3);
}

TEST_F(BackupOperationsTest, AFailedWriteSaysSoAndRevealsNothing) {
    // A plain file where the Desktop folder should be: nothing can be written inside it.
    test::writeText(desktop().folders().desktop(), "not a folder");
    EXPECT_EQ(backup.exportSettings(), "Couldn’t save");
    EXPECT_TRUE(desktop().workspace().revealed().empty());
    EXPECT_EQ(test::readText(desktop().folders().desktop()), "not a folder");
}

}  // namespace
}  // namespace tarnlet
