#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileIO.h"
#include "platform/host/FileDefaults.h"
#include "support/TestEnvironment.h"

namespace tarnlet::host {
namespace {

namespace fs = std::filesystem;

class FileDefaultsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path file() const { return dir.path() / "prefs" / "app.tarnletapp.Tarnlet.json"; }
    fs::path corrupt() const { return dir.path() / "prefs" / "app.tarnletapp.Tarnlet.json.corrupt"; }
    Value onDisk() const { return Value::parse(test::readText(file()), nullptr, false); }
};

TEST_F(FileDefaultsTest, ValuesSurviveANewInstanceWithTheirTypes) {
    {
        FileDefaults store(file());
        store.set("snap.isEnabled", true);
        store.set("autoQuit.minutes", 15);
        store.set("focus.alpha", 0.3);
        store.set("sweep.listMode", "onlyListed");
        store.set("jump.ignored", Value::array({"com.a", "com.b"}));
        store.set("jump.forced", Value{{"j", "com.jetbrains"}});
        EXPECT_FALSE(store.lastWriteError().has_value());
    }
    FileDefaults reopened(file());
    EXPECT_EQ(reopened.storedObject("snap.isEnabled"), Value(true));
    EXPECT_TRUE(reopened.storedObject("autoQuit.minutes")->is_number_integer());
    EXPECT_EQ(reopened.integer("autoQuit.minutes"), 15);
    EXPECT_DOUBLE_EQ(reopened.number("focus.alpha"), 0.3);
    EXPECT_EQ(reopened.string("sweep.listMode"), "onlyListed");
    EXPECT_EQ(reopened.storedObject("jump.ignored"), Value::array({"com.a", "com.b"}));
    EXPECT_EQ(reopened.storedObject("jump.forced"), (Value{{"j", "com.jetbrains"}}));
    EXPECT_EQ(reopened.storedValues().size(), 6u);
}

TEST_F(FileDefaultsTest, FileIsOneCompactJsonObject) {
    FileDefaults store(file());
    store.set("b.key", 1);
    store.set("a.key", "x y");
    EXPECT_EQ(test::readText(file()), R"({"a.key":"x y","b.key":1})");
}

TEST_F(FileDefaultsTest, RegistrationDomainAnswersButIsNeverWritten) {
    {
        FileDefaults store(file());
        store.registerDefaults({{"sweep.delay", 2.0}, {"snap.onDrag", true}});
        EXPECT_DOUBLE_EQ(store.number("sweep.delay"), 2.0);
        EXPECT_FALSE(store.storedObject("sweep.delay").has_value());
        EXPECT_FALSE(fs::exists(file()));  // registering alone writes nothing
        store.set("snap.isEnabled", true);
        EXPECT_EQ(onDisk(), (Value{{"snap.isEnabled", true}}));
        EXPECT_EQ(store.storedValues().size(), 1u);
    }
    FileDefaults reopened(file());
    EXPECT_FALSE(reopened.object("sweep.delay").has_value());
}

TEST_F(FileDefaultsTest, RemovingAndStoringNullDeleteTheKeyOnDisk) {
    FileDefaults store(file());
    store.set("a", 1);
    store.set("b", 2);
    store.remove("a");
    store.set("b", Value());
    EXPECT_EQ(onDisk(), Value::object());
    EXPECT_FALSE(store.object("b").has_value());
}

TEST_F(FileDefaultsTest, NullMembersOfTheFileAreNoValues) {
    test::writeText(file(), R"({"a":null,"b":true})");
    FileDefaults store(file());
    EXPECT_FALSE(store.object("a").has_value());
    EXPECT_TRUE(store.boolean("b"));
    EXPECT_FALSE(store.holdsUnreadableFile());
}

TEST_F(FileDefaultsTest, MalformedFileReadsEmptyAndIsKeptAsideOnceBeforeTheFirstWrite) {
    for (const std::string& damaged : {std::string(R"({"snap.isEnabled": tru)"), std::string("[1,2]"),
                                      std::string("42"), std::string(), std::string("\xff\xfe{}")}) {
        SCOPED_TRACE(damaged);
        fs::remove_all(file().parent_path());
        test::writeText(file(), damaged);
        test::writeText(corrupt(), "an older damaged file");

        FileDefaults store(file());
        EXPECT_TRUE(store.storedValues().empty());
        EXPECT_TRUE(store.holdsUnreadableFile());
        // Only reading: the damaged file stays where it is.
        EXPECT_EQ(test::readText(file()), damaged);

        store.set("snap.isEnabled", true);
        EXPECT_FALSE(store.lastWriteError().has_value());
        EXPECT_EQ(test::readText(corrupt()), damaged);
        EXPECT_EQ(onDisk(), (Value{{"snap.isEnabled", true}}));

        // Later writes replace our own good file; the kept copy is not touched again.
        store.set("jump.isEnabled", true);
        EXPECT_EQ(test::readText(corrupt()), damaged);
    }
}

TEST_F(FileDefaultsTest, DamagedFileThatCannotBeKeptAsideIsNotOverwritten) {
    test::writeText(file(), "not json");
    // A non-empty folder under the ".corrupt" name makes the rename fail, even for the super-user.
    fs::create_directories(corrupt() / "occupied");
    FileDefaults store(file());
    store.set("snap.isEnabled", true);
    ASSERT_TRUE(store.lastWriteError().has_value());
    EXPECT_EQ(test::readText(file()), "not json");
    EXPECT_TRUE(store.boolean("snap.isEnabled"));  // kept in memory

    fs::remove_all(corrupt());
    store.set("jump.isEnabled", true);
    EXPECT_FALSE(store.lastWriteError().has_value());
    EXPECT_EQ(test::readText(corrupt()), "not json");
    EXPECT_EQ(onDisk(), (Value{{"jump.isEnabled", true}, {"snap.isEnabled", true}}));
}

TEST_F(FileDefaultsTest, AFileNestedBeyondAnyRealSettingIsUnreadableAndKeptAside) {
    // 70,000 levels in 140 KB: held in memory, the first write's encoder (or any comparison) would
    // recurse once per level and run out of stack.
    const std::string deep = R"({"snap.isEnabled":true,"x":)" + std::string(70'000, '[') + std::string(70'000, ']') + "}";
    test::writeText(file(), deep);
    FileDefaults store(file());
    EXPECT_TRUE(store.storedValues().empty());
    EXPECT_TRUE(store.holdsUnreadableFile());

    store.set("snap.isEnabled", true);
    EXPECT_FALSE(store.lastWriteError().has_value());
    EXPECT_EQ(test::readText(corrupt()), deep);
    EXPECT_EQ(onDisk(), (Value{{"snap.isEnabled", true}}));
}

TEST_F(FileDefaultsTest, SettingsFilesAreReadableByTheUserAlone) {
    FileDefaults store(file());
    store.set("snap.isEnabled", true);
    struct stat info {};
    ASSERT_EQ(::stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(file().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(FileDefaultsSuitesTest, AFailedWriteIsToldOnceAsALogLine) {
    test::TempDir dir;
    const fs::path folder = dir.path() / "prefs";
    // A plain file where the folder belongs fails every write.
    test::writeText(folder, "blocking");
    FileDefaultsSuites suites(folder, "app.tarnletapp.Tarnlet");
    std::vector<std::string> lines;
    suites.onWriteFailure = [&lines](const std::string& line) { lines.push_back(line); };
    suites.standard().set("a", 1);
    suites.standard().set("b", 2);
    suites.suite("app.tarnletapp.Tarnlet.profile2")->set("a", 1);
    ASSERT_EQ(lines.size(), 2u);
    const std::string reason = *suites.standardFile().lastWriteError();
    EXPECT_EQ(lines[0], "Settings: could not save app.tarnletapp.Tarnlet.json — " + reason);
    EXPECT_TRUE(lines[1].starts_with("Settings: could not save app.tarnletapp.Tarnlet.profile2.json — ")) << lines[1];
}

TEST_F(FileDefaultsTest, FailedWriteKeepsTheValueAndTheNextWriteCatchesUp) {
    // A plain file where the folder should be makes every write fail.
    test::writeText(file().parent_path(), "blocking");
    FileDefaults store(file());
    store.set("snap.isEnabled", true);
    ASSERT_TRUE(store.lastWriteError().has_value());
    EXPECT_TRUE(store.boolean("snap.isEnabled"));

    fs::remove(file().parent_path());
    // Setting the very same value again still writes, because the disk is behind.
    store.set("snap.isEnabled", true);
    EXPECT_FALSE(store.lastWriteError().has_value());
    EXPECT_EQ(onDisk(), (Value{{"snap.isEnabled", true}}));
}

TEST_F(FileDefaultsTest, InvalidUtf8InAValueNeitherThrowsNorCorruptsTheFile) {
    FileDefaults store(file());
    store.set("clipboard.note", std::string("bad \xc3\x28 bytes"));
    store.set("other", 1);
    EXPECT_FALSE(store.lastWriteError().has_value());
    const Value disk = onDisk();
    ASSERT_TRUE(disk.is_object());
    EXPECT_EQ(disk["other"], 1);
    EXPECT_TRUE(disk["clipboard.note"].is_string());
}

// Another process rewrote the file: the store takes its values and keeps its registration
// domain; a rewrite the store cannot read counts as empty and is kept aside before the next write.
TEST_F(FileDefaultsTest, ReloadTakesAnotherWritersFileUnderTheSameRules) {
    FileDefaults store(file());
    store.registerDefaults({{"breaks.isEnabled", Value(false)}});
    store.set("autoQuit.minutes", 15);
    EXPECT_FALSE(store.reload());  // its own write is nothing new

    ASSERT_TRUE(FileIO::writeAtomically(file(), R"({"snap.isEnabled":true})").ok());
    EXPECT_TRUE(store.reload());
    EXPECT_EQ(store.storedObject("autoQuit.minutes"), std::nullopt);
    EXPECT_EQ(store.storedObject("snap.isEnabled"), Value(true));
    EXPECT_EQ(store.object("breaks.isEnabled"), Value(false));

    ASSERT_TRUE(FileIO::writeAtomically(file(), "{not json").ok());
    EXPECT_TRUE(store.reload());
    EXPECT_TRUE(store.storedValues().empty());
    store.set("sweep.isEnabled", true);
    EXPECT_EQ(test::readText(corrupt()), "{not json");
    EXPECT_EQ(onDisk(), (Value{{"sweep.isEnabled", true}}));
}

TEST(FileDefaultsSuitesTest, StandardAndNamedSuitesAreSeparateFilesAndSuitesAreCached) {
    test::TempDir dir;
    FileDefaultsSuites suites(dir.path(), "app.tarnletapp.Tarnlet");
    suites.standard().set("settings.activeProfile", 2);
    UserDefaults* profileTwo = suites.suite("app.tarnletapp.Tarnlet.profile2");
    ASSERT_NE(profileTwo, nullptr);
    EXPECT_EQ(profileTwo, suites.suite("app.tarnletapp.Tarnlet.profile2"));
    profileTwo->set("snap.isEnabled", true);
    EXPECT_FALSE(suites.standard().object("snap.isEnabled").has_value());
    EXPECT_EQ(test::readText(dir.path() / "app.tarnletapp.Tarnlet.json"), R"({"settings.activeProfile":2})");
    EXPECT_EQ(test::readText(dir.path() / "app.tarnletapp.Tarnlet.profile2.json"), R"({"snap.isEnabled":true})");

    FileDefaultsSuites reopened(dir.path(), "app.tarnletapp.Tarnlet");
    EXPECT_EQ(reopened.standard().integer("settings.activeProfile"), 2);
    EXPECT_TRUE(reopened.suite("app.tarnletapp.Tarnlet.profile2")->boolean("snap.isEnabled"));
}

TEST(FileDefaultsSuitesTest, RefusesNamesThatEscapeHideOrAliasTheStandardStore) {
    test::TempDir dir;
    FileDefaultsSuites suites(dir.path(), "app.tarnletapp.Tarnlet");
    EXPECT_EQ(suites.suite(""), nullptr);
    EXPECT_EQ(suites.suite("../escape"), nullptr);
    EXPECT_EQ(suites.suite("a/b"), nullptr);
    EXPECT_EQ(suites.suite(".hidden"), nullptr);
    EXPECT_EQ(suites.suite("app.tarnletapp.Tarnlet"), nullptr);
    EXPECT_EQ(suites.suite(std::string("a\0b", 3)), nullptr);
    EXPECT_NE(suites.suite("Tarnlet"), nullptr);
    EXPECT_TRUE(fs::is_empty(dir.path()));  // opening writes nothing
}

}  // namespace
}  // namespace tarnlet::host
