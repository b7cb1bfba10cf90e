#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

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

unsigned modeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Limits the size of the files this process writes while it lives; writing past it fails with
// EFBIG instead of raising the signal that would end the test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        ::signal(SIGXFSZ, m_savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

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

TEST_F(FileIOTest, FailureWhileWritingKeepsTheOldContentsAndLeavesNoTemporaryFile) {
    const fs::path folder = dir.path() / "store";
    const fs::path file = folder / "Snippets.json";
    ASSERT_TRUE(FileIO::writeAtomically(file, "old").ok());
    // A file size limit fails the write itself, as a full disk would, and binds the super-user too,
    // unlike folder permissions. Nothing else is written while it holds.
    const auto status = [&] {
        const FileSizeLimit limit(2);
        return FileIO::writeAtomically(file, "new and longer");
    }();
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().find(".tmp-"), std::string::npos) << "names the target, not the temporary file";
    EXPECT_NE(status.error().find("Snippets.json"), std::string::npos) << status.error();
    EXPECT_EQ(FileIO::readFile(file), "old");
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"Snippets.json"}));
}

TEST_F(FileIOTest, OwnerOnlyFilesAreReadableByTheirOwnerAloneInFoldersOfTheirOwn) {
    const fs::path existing = dir.path() / "shared";
    fs::create_directories(existing);
    ASSERT_EQ(::chmod(existing.c_str(), 0755), 0);
    const fs::path file = existing / "a" / "b" / "Clipboard.json";
    ASSERT_TRUE(FileIO::writeAtomically(file, "[]", FileIO::Access::ownerOnly).ok());
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(existing / "a"), 0700u);
    EXPECT_EQ(modeOf(existing / "a" / "b"), 0700u);
    EXPECT_EQ(modeOf(existing), 0755u);  // a folder that was there is not the writer's to change

    // A file an earlier version left readable to others is tightened by its next write.
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    ASSERT_TRUE(FileIO::writeAtomically(file, "[1]", FileIO::Access::ownerOnly).ok());
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(FileIO::readFile(file), "[1]");
}

TEST_F(FileIOTest, StaleTemporaryFilesOfInterruptedWritesAreRemoved) {
    const fs::path file = dir.path() / "Clipboard.json";
    test::writeText(file, "[]");
    const auto now = fs::file_time_type::clock::now();
    auto leave = [&](const std::string& name, std::chrono::seconds age) {
        test::writeText(dir.path() / name, "partial");
        fs::last_write_time(dir.path() / name, now - age);
    };
    const std::string self = std::to_string(::getpid());
    const std::string gone = "2147483646";  // above any pid the kernel hands out
    using std::chrono::hours;
    using std::chrono::minutes;
    using std::chrono::seconds;
    leave(".Clipboard.json.tmp-" + gone + "-3-0a1b2c3d", minutes(5));    // its writer was killed
    leave(".Clipboard.json.tmp-" + self + "-9-deadbeef", minutes(5));    // a former process with this id
    leave(".Clipboard.json.tmp-1-4-00000000", hours(30));                // older than any write takes
    leave(".Clipboard.json.tmp-1-5-11111111", minutes(5));               // a live writer's: kept
    leave(".Clipboard.json.tmp-" + gone + "-6-22222222", seconds(5));    // too fresh to judge: kept
    leave(".ClipboardPins.json.tmp-" + gone + "-7-33333333", hours(30)); // another store's: kept
    leave(".Clipboard.json.tmp-notes", hours(30));                       // not a name a writer makes
    leave("Clipboard.json.tmp-" + gone + "-8-44444444", hours(30));

    EXPECT_EQ(FileIO::removeStaleTemporaryFiles(file), 3);
    EXPECT_EQ(namesIn(dir.path()),
              (std::set<std::string>{"Clipboard.json", ".Clipboard.json.tmp-1-5-11111111",
                                     ".Clipboard.json.tmp-" + gone + "-6-22222222",
                                     ".ClipboardPins.json.tmp-" + gone + "-7-33333333", ".Clipboard.json.tmp-notes",
                                     "Clipboard.json.tmp-" + gone + "-8-44444444"}));
    EXPECT_EQ(FileIO::removeStaleTemporaryFiles(dir.path() / "missing" / "x.json"), 0);
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
