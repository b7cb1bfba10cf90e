#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/FileIO.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class FileIOTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(FileIOTest, WriteCreatesFoldersAndLeavesOnlyTheTarget) {
    const fs::path file = dir.path() / "a" / "b" / "Clipboard.json";
    ASSERT_TRUE(FileIO::writeAtomically(file, "[1,2,3]").ok());
    EXPECT_EQ(FileIO::readFile(file), "[1,2,3]");
    ASSERT_TRUE(FileIO::writeAtomically(file, "[]").ok());
    EXPECT_EQ(FileIO::readFile(file), "[]");
    EXPECT_EQ(namesIn(file.parent_path()), (std::set<std::string>{"Clipboard.json"}));
}

TEST_F(FileIOTest, BinaryAndEmptyContentsRoundTrip) {
    const std::string binary("a\0b\xff\n", 5);
    ASSERT_TRUE(FileIO::writeAtomically(dir.path() / "bin", binary).ok());
    EXPECT_EQ(FileIO::readFile(dir.path() / "bin"), binary);
    ASSERT_TRUE(FileIO::writeAtomically(dir.path() / "empty", "").ok());
    // An empty file is present and readable: it is "", not "missing".
    EXPECT_EQ(FileIO::readFile(dir.path() / "empty"), std::string());
    const std::string large(3 * 65536 + 17, 'x');
    ASSERT_TRUE(FileIO::writeAtomically(dir.path() / "large", large).ok());
    EXPECT_EQ(FileIO::readFile(dir.path() / "large"), large);
}

TEST_F(FileIOTest, ReplacingAFileKeepsItsPermissions) {
    const fs::path file = dir.path() / "private.json";
    ASSERT_TRUE(FileIO::writeAtomically(file, "old").ok());
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(FileIO::writeAtomically(file, "new").ok());
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(FileIOTest, FailureWhenAParentIsAFileReportsTheReasonAndCreatesNothing) {
    test::writeText(dir.path() / "blocker", "I am a file");
    const auto status = FileIO::writeAtomically(dir.path() / "blocker" / "sub" / "x.json", "data");
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("blocker"), std::string::npos) << status.error();
    EXPECT_EQ(test::readText(dir.path() / "blocker"), "I am a file");
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"blocker"}));
}

TEST_F(FileIOTest, FailedRenameRemovesTheTemporaryFile) {
    // A folder sits where the file should go, so the final rename must fail.
    fs::create_directories(dir.path() / "target" / "inside");
    const auto status = FileIO::writeAtomically(dir.path() / "target", "data");
    ASSERT_FALSE(status.ok());
    EXPECT_FALSE(status.error().empty());
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"target"}));
    EXPECT_TRUE(fs::is_directory(dir.path() / "target" / "inside"));
}

TEST_F(FileIOTest, FailureInAnUnwritableFolderKeepsTheOldContents) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
    const fs::path folder = dir.path() / "locked";
    const fs::path file = folder / "Snippets.json";
    ASSERT_TRUE(FileIO::writeAtomically(file, "old").ok());
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const auto status = FileIO::writeAtomically(file, "new");
    ::chmod(folder.c_str(), 0755);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(FileIO::readFile(file), "old");
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"Snippets.json"}));
}

TEST_F(FileIOTest, SymbolicLinkIsWrittenThroughAndStaysALink) {
    const fs::path real = dir.path() / "dotfiles" / "settings.json";
    test::writeText(real, "old");
    const fs::path link = dir.path() / "settings.json";
    fs::create_symlink(real, link);
    ASSERT_TRUE(FileIO::writeAtomically(link, "new").ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::readText(real), "new");
    EXPECT_EQ(namesIn(real.parent_path()), (std::set<std::string>{"settings.json"}));
}

TEST_F(FileIOTest, VeryLongFileNamesStillWrite) {
    const fs::path file = dir.path() / (std::string(240, 'n') + ".json");
    ASSERT_TRUE(FileIO::writeAtomically(file, "{}").ok());
    EXPECT_EQ(FileIO::readFile(file), "{}");
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);
}

TEST_F(FileIOTest, ReadingSomethingThatIsNotARegularFileGivesNone) {
    EXPECT_EQ(FileIO::readFile(dir.path() / "missing"), std::nullopt);
    EXPECT_EQ(FileIO::readFile(dir.path()), std::nullopt);
    const fs::path pipe = dir.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(FileIO::readFile(pipe), std::nullopt);  // and, above all, does not hang
}

TEST_F(FileIOTest, SetAsideRenamesAndReplacesAnOlderCorruptFile) {
    const fs::path file = dir.path() / "Clipboard.json";
    EXPECT_FALSE(FileIO::setAsideCorrupt(file));
    test::writeText(file, "first damage");
    ASSERT_TRUE(FileIO::setAsideCorrupt(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(test::readText(dir.path() / "Clipboard.json.corrupt"), "first damage");
    test::writeText(file, "second damage");
    ASSERT_TRUE(FileIO::setAsideCorrupt(file));
    EXPECT_EQ(test::readText(dir.path() / "Clipboard.json.corrupt"), "second damage");
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"Clipboard.json.corrupt"}));
}

}  // namespace
}  // namespace tarnlet
