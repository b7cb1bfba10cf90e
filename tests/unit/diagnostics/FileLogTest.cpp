#include "diagnostics/FileLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using test::readText;
using test::writeText;

constexpr double kNow = 1796345184.123;  // 2026-12-04T00:46:24.123Z
constexpr double kHour = 3600;

class FileLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileLog::setDirectory(m_home.path() / "Library" / "Logs" / "Tarnlet");
        FileLog::setClock([] { return kNow; });
    }
    void TearDown() override { FileLog::setClock(nullptr); }

    static std::filesystem::path logFile() { return FileLog::fileURL(); }
    static std::filesystem::path previousFile() { return FileLog::previousURL(); }

    static std::string line(double at, const std::string& text) { return FileLog::timestamp(at) + " " + text; }

    // Lines stamped `at` (each padded to about 120 bytes) until the text passes `bytes`.
    static std::string filler(double at, std::size_t bytes, const std::string& tag) {
        std::string text;
        const std::string padding(90, 'x');
        for (int i = 0; text.size() < bytes; ++i) text += line(at, tag + " " + std::to_string(i) + " " + padding) + "\n";
        return text;
    }

    static std::vector<std::string> linesOf(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t from = 0;
        for (auto feed = text.find('\n'); feed != std::string::npos; feed = text.find('\n', from)) {
            lines.push_back(text.substr(from, feed - from));
            from = feed + 1;
        }
        lines.push_back(text.substr(from));
        return lines;
    }

    static std::string rollLine(std::size_t dropped) {
        return FileLog::timestamp(kNow) + " — rolled: " + std::to_string(dropped) +
               " older line(s) dropped, keeping the last 24h —";
    }

    test::TempDir m_home;
};

// --- Timestamps ---------------------------------------------------------------------------------

TEST_F(FileLogTest, TimestampsAreUtcWithMilliseconds) {
    EXPECT_EQ(FileLog::timestamp(kNow), "2026-12-04T00:46:24.123Z");
    EXPECT_EQ(FileLog::timestamp(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(FileLog::timestamp(951782400.5), "2000-02-29T00:00:00.500Z");
    EXPECT_EQ(FileLog::timestamp(1767225599.9999), "2025-12-31T23:59:59.999Z");  // never rounded into the next day
    EXPECT_EQ(FileLog::timestamp(-0.001), "1969-12-31T23:59:59.999Z");
}

TEST_F(FileLogTest, ParsingReadsBackWhatTheFormatterWrites) {
    for (double at : {0.0, 0.001, 951782400.5, kNow, kNow - 86400, 4102444799.999, 1234567890.987}) {
        auto parsed = FileLog::parseTimestamp(FileLog::timestamp(at));
        ASSERT_TRUE(parsed) << FileLog::timestamp(at);
        EXPECT_EQ(FileLog::timestamp(*parsed), FileLog::timestamp(at));
        EXPECT_NEAR(*parsed, at, 0.001);
    }
    EXPECT_EQ(FileLog::parseTimestamp("2026-12-04T00:46:24.123Z"), kNow);
}

TEST_F(FileLogTest, ParsingAcceptsOffsetsAndRejectsAnythingElse) {
    EXPECT_EQ(FileLog::parseTimestamp("2026-12-04T01:46:24.123+01:00"), kNow);
    EXPECT_EQ(FileLog::parseTimestamp("2026-12-03T19:16:24.123-05:30"), kNow);
    EXPECT_EQ(FileLog::parseTimestamp("2026-12-04T00:46:24Z"), kNow - 0.123);

    for (const char* text : {"", "═══", "hello", "2026-12-04", "2026-12-04T00:46:24.123", "2026-12-04 00:46:24.123Z",
                             "2026-13-04T00:46:24.123Z", "2026-02-29T00:46:24.123Z", "2026-12-04T24:00:00.000Z",
                             "2026-12-04T00:60:00.000Z", "2026-12-04T00:46:24.Z", "2026-12-04T00:46:24.123Zjunk",
                             "2026-12-04T00:46:24.123+0100", "2026-12-04T00:46:24.123+01", "+026-12-04T00:46:24.123Z"})
        EXPECT_FALSE(FileLog::parseTimestamp(text)) << text;
}

// --- Appending ----------------------------------------------------------------------------------

TEST_F(FileLogTest, FirstMessageCreatesTheFolderAndOneLine) {
    ASSERT_FALSE(std::filesystem::exists(FileLog::directory()));
    FileLog::append("Tarnlet launched");
    EXPECT_EQ(logFile(), m_home.path() / "Library/Logs/Tarnlet/debug.log");
    EXPECT_EQ(readText(logFile()), "2026-12-04T00:46:24.123Z Tarnlet launched\n");
    EXPECT_FALSE(std::filesystem::exists(previousFile()));
}

TEST_F(FileLogTest, RecordsAreAppendedAsWrittenIncludingLineFeedsAndPercentSigns) {
    writeText(logFile(), "earlier line\n");
    FileLog::append("first\nsecond line");
    FileLog::append("100% done %s %n %@");
    FileLog::appendSession("Tarnlet 0.1.0 (1)");
    FileLog::appendRaw("raw bytes\n");
    EXPECT_EQ(readText(logFile()),
              "earlier line\n"
              "2026-12-04T00:46:24.123Z first\nsecond line\n"
              "2026-12-04T00:46:24.123Z 100% done %s %n %@\n"
              "2026-12-04T00:46:24.123Z ═══ Tarnlet 0.1.0 (1) ═══\n"
              "raw bytes\n");
}

TEST_F(FileLogTest, ALogThatCannotBeWrittenStaysSilent) {
    // A plain file where the folder should be: nothing can be created beneath it, even by root.
    writeText(m_home.path() / "Library" / "Logs", "not a folder");
    FileLog::append("lost");
    FileLog::appendSession("lost");
    EXPECT_LT(FileLog::openForCrashWriting(), 0);
    EXPECT_FALSE(FileLog::sizeDescription());
    FileLog::clear();
    EXPECT_EQ(readText(m_home.path() / "Library" / "Logs"), "not a folder");
}

TEST_F(FileLogTest, AnUnusableLogFolderStaysSilentAndIsRetriedLater) {
    // A plain file where the folder belongs refuses the log to everyone, the super-user included.
    writeText(FileLog::directory(), "not a folder");
    FileLog::append("lost");
    EXPECT_LT(FileLog::openForCrashWriting(), 0);
    EXPECT_FALSE(std::filesystem::exists(logFile()));
    EXPECT_EQ(readText(FileLog::directory()), "not a folder");

    std::filesystem::remove(FileLog::directory());
    FileLog::append("kept");
    EXPECT_EQ(readText(logFile()), "2026-12-04T00:46:24.123Z kept\n");
}

TEST_F(FileLogTest, OpenForCrashWritingCreatesAnEmptyLogAndKeepsAnExistingOne) {
    int fd = FileLog::openForCrashWriting();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(readText(logFile()), "");
    FileLog::append("record");
    ASSERT_EQ(write(fd, "crash\n", 6), 6);
    close(fd);
    EXPECT_EQ(readText(logFile()), "2026-12-04T00:46:24.123Z record\ncrash\n");

    fd = FileLog::openForCrashWriting();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "again\n", 6), 6);
    close(fd);
    EXPECT_EQ(readText(logFile()), "2026-12-04T00:46:24.123Z record\ncrash\nagain\n");
}

// --- Size, reveal, clear ------------------------------------------------------------------------

TEST_F(FileLogTest, SizeIsDescribedInFileCountStyle) {
    EXPECT_FALSE(FileLog::sizeDescription());
    writeText(logFile(), "");
    EXPECT_EQ(FileLog::sizeDescription(), "Zero KB");
    writeText(logFile(), std::string(532, 'a'));
    EXPECT_EQ(FileLog::sizeDescription(), "532 bytes");
    writeText(logFile(), std::string(12'345, 'a'));
    EXPECT_EQ(FileLog::sizeDescription(), "12 KB");

    EXPECT_EQ(FileLog::byteCountDescription(1), "1 byte");
    EXPECT_EQ(FileLog::byteCountDescription(999), "999 bytes");
    EXPECT_EQ(FileLog::byteCountDescription(1000), "1 KB");
    EXPECT_EQ(FileLog::byteCountDescription(1499), "1 KB");
    EXPECT_EQ(FileLog::byteCountDescription(1500), "2 KB");
    EXPECT_EQ(FileLog::byteCountDescription(999'499), "999 KB");
    EXPECT_EQ(FileLog::byteCountDescription(999'500), "1 MB");
    EXPECT_EQ(FileLog::byteCountDescription(5'242'880), "5.2 MB");
    EXPECT_EQ(FileLog::byteCountDescription(5'000'000), "5 MB");
    EXPECT_EQ(FileLog::byteCountDescription(1'234'567'890), "1.23 GB");
    EXPECT_EQ(FileLog::byteCountDescription(1'205'000'000), "1.21 GB");
    EXPECT_EQ(FileLog::byteCountDescription(1'200'000'000), "1.2 GB");
    EXPECT_EQ(FileLog::byteCountDescription(1'009'000'000), "1.01 GB");
    EXPECT_EQ(FileLog::byteCountDescription(999'960'000), "1 GB");
    EXPECT_EQ(FileLog::byteCountDescription(2'500'000'000'000), "2.5 TB");
    EXPECT_EQ(FileLog::byteCountDescription(UINT64_MAX), "18.45 EB");
}

TEST_F(FileLogTest, RevealCreatesAMissingLogAndKeepsAnExistingOne) {
    std::vector<std::filesystem::path> shown;
    FileLog::reveal([&](const std::filesystem::path& file) { shown.push_back(file); });
    EXPECT_TRUE(std::filesystem::exists(logFile()));
    EXPECT_EQ(readText(logFile()), "");

    FileLog::append("kept");
    FileLog::reveal([&](const std::filesystem::path& file) { shown.push_back(file); });
    EXPECT_EQ(readText(logFile()), "2026-12-04T00:46:24.123Z kept\n");
    EXPECT_EQ(shown, (std::vector<std::filesystem::path>{logFile(), logFile()}));
}

TEST_F(FileLogTest, ClearRemovesBothFilesAndIgnoresMissingOnes) {
    FileLog::clear();  // nothing there at all
    EXPECT_FALSE(std::filesystem::exists(FileLog::directory()));

    writeText(logFile(), "current\n");
    writeText(previousFile(), "previous\n");
    FileLog::clear();
    EXPECT_FALSE(std::filesystem::exists(logFile()));
    EXPECT_FALSE(std::filesystem::exists(previousFile()));
    EXPECT_TRUE(std::filesystem::exists(FileLog::directory()));

    FileLog::append("after clearing");
    EXPECT_EQ(readText(logFile()), "2026-12-04T00:46:24.123Z after clearing\n");
}

// --- Where a roll cuts --------------------------------------------------------------------------

TEST_F(FileLogTest, CutIndexKeepsTheLastDayAndAlwaysFreesSpace) {
    const double old = kNow - 30 * kHour;
    const double recent = kNow - kHour;
    auto cut = [](const std::vector<std::string>& lines) { return FileLog::cutIndex(lines, kNow, 86400); };

    EXPECT_EQ(cut({}), 0u);
    EXPECT_EQ(cut({line(recent, "a")}), 0u);
    EXPECT_EQ(cut({line(old, "a")}), 1u);
    // Everything recent: the older half goes anyway.
    EXPECT_EQ(cut({line(recent, "a"), line(recent, "b"), line(recent, "c"), line(recent, "d"), ""}), 2u);
    // Mixed: everything before the first recent line goes, undated lines after the last old one stay.
    EXPECT_EQ(cut({line(old, "a"), "continued", line(old, "b"), "", "=== CRASH signal 11", line(recent, "c"), ""}), 3u);
    // Everything dated is old: all of it goes, undated lines included.
    EXPECT_EQ(cut({line(old, "a"), line(old, "b"), "trailing", ""}), 4u);
    // Nothing dated at all.
    EXPECT_EQ(cut({"x", "y", "z"}), 1u);
    EXPECT_EQ(cut({"x"}), 0u);
    // Exactly at the cutoff counts as recent.
    EXPECT_EQ(cut({line(old, "a"), line(kNow - 86400, "b"), ""}), 1u);
    // A stamp is only a stamp before the first space, and only a whole one.
    EXPECT_EQ(cut({"note " + line(old, "a"), line(old, "b") , "2026-12-04Tbroken c", line(recent, "d")}), 2u);
}

TEST_F(FileLogTest, SessionLineIsCarriedOnlyWhenTheKeptPartLacksOne) {
    const std::string session1 = line(kNow - 30 * kHour, "═══ Tarnlet 0.1.0 (1) ═══");
    const std::string session2 = line(kNow - 29 * kHour, "═══ Diagnostics on — Tarnlet 0.1.0 (1) ═══");
    const std::vector<std::string> lines = {session1, line(kNow, "a"), session2, line(kNow, "b"), "", session1, ""};

    EXPECT_FALSE(FileLog::sessionLine(0, lines));
    EXPECT_FALSE(FileLog::sessionLine(lines.size() + 1, lines));
    EXPECT_EQ(FileLog::sessionLine(1, lines), session1);
    EXPECT_EQ(FileLog::sessionLine(3, lines), session2);
    EXPECT_EQ(FileLog::sessionLine(lines.size(), lines), session1);
    // The kept part opens with its own session line, blank lines aside.
    EXPECT_FALSE(FileLog::sessionLine(2, lines));
    EXPECT_FALSE(FileLog::sessionLine(4, lines));
    // No session line before the cut.
    EXPECT_FALSE(FileLog::sessionLine(2, std::vector<std::string>{line(kNow, "a"), line(kNow, "b"), ""}));
}

// --- Rolling real files -------------------------------------------------------------------------

TEST_F(FileLogTest, ARecentLogIsCutToItsSecondHalf) {
    const std::string session = line(kNow - 2 * kHour, "═══ Tarnlet 0.1.0 (1) ═══");
    const std::string original = session + "\n" + filler(kNow - kHour, FileLog::kRollThreshold, "recent");
    writeText(logFile(), original);
    FileLog::append("the last straw");

    const std::string appended = line(kNow, "the last straw") + "\n";
    EXPECT_EQ(readText(previousFile()), original + appended);

    auto before = linesOf(original + appended);
    const std::size_t cut = before.size() / 2;
    std::string expected = session + FileLog::kCarriedSuffix + "\n" + rollLine(cut) + "\n";
    for (std::size_t i = cut; i + 1 < before.size(); ++i) expected += before[i] + "\n";
    const std::string rolled = readText(logFile());
    EXPECT_EQ(rolled, expected);
    EXPECT_TRUE(rolled.ends_with("the last straw\n"));
    EXPECT_FALSE(rolled.ends_with("\n\n"));
    EXPECT_LT(rolled.size(), FileLog::kRollThreshold * 6 / 10);
}

TEST_F(FileLogTest, AnOldLogKeepsTheCarriedSessionTheRollLineAndTheNewRecord) {
    const std::string session = line(kNow - 50 * kHour, "═══ Tarnlet 0.1.0 (1) ═══");
    const std::string original = session + "\n" + filler(kNow - 48 * kHour, FileLog::kRollThreshold, "old");
    writeText(logFile(), original);
    FileLog::append("now");

    const std::size_t dropped = linesOf(original).size() - 1;
    EXPECT_EQ(readText(logFile()),
              session + FileLog::kCarriedSuffix + "\n" + rollLine(dropped) + "\n" + line(kNow, "now") + "\n");
}

TEST_F(FileLogTest, AllOldLinesAreDroppedEntirely) {
    const std::string session = line(kNow - 50 * kHour, "═══ Tarnlet 0.1.0 (1) ═══");
    const std::string original = session + "\n" + filler(kNow - 48 * kHour, FileLog::kRollThreshold, "old");
    writeText(logFile(), original);
    // A raw record carries no stamp of its own, so every dated line in the file is old.
    FileLog::appendRaw("trailing raw text\n");

    const std::size_t count = linesOf(original + "trailing raw text\n").size();
    EXPECT_EQ(readText(logFile()), session + FileLog::kCarriedSuffix + "\n" + rollLine(count) + "\n");
    EXPECT_EQ(readText(previousFile()), original + "trailing raw text\n");
}

TEST_F(FileLogTest, AMixedLogKeepsTheLastDayAndTheSessionItBelongsTo) {
    const std::string oldSession = line(kNow - 40 * kHour, "═══ Tarnlet 0.1.0 (1) ═══");
    const std::string liveSession = line(kNow - 30 * kHour, "═══ Diagnostics on — Tarnlet 0.1.0 (1) ═══");
    const std::string dropped = oldSession + "\n" + filler(kNow - 39 * kHour, 1000, "older") + liveSession + "\n" +
                                filler(kNow - 26 * kHour, FileLog::kRollThreshold / 2, "old");
    // The crash report's undated lines follow the last old record and belong to the kept part.
    const std::string crash = "\n=== CRASH signal 11 (Segmentation fault) ===\nframe\n=== end crash ===\n";
    const std::string recent = filler(kNow - 3 * kHour, FileLog::kRollThreshold / 2, "recent");
    writeText(logFile(), dropped + crash + recent);
    FileLog::append("latest");

    EXPECT_EQ(readText(logFile()), liveSession + FileLog::kCarriedSuffix + "\n" +
                                       rollLine(linesOf(dropped).size() - 1) + "\n" + crash + recent +
                                       line(kNow, "latest") + "\n");
}

TEST_F(FileLogTest, ACarriedLineIsNotMarkedTwice) {
    const std::string carried = line(kNow - 50 * kHour, "═══ Tarnlet 0.1.0 (1) ═══") + FileLog::kCarriedSuffix;
    writeText(logFile(), carried + "\n" + filler(kNow - 48 * kHour, FileLog::kRollThreshold, "old"));
    FileLog::append("now");
    EXPECT_TRUE(readText(logFile()).starts_with(carried + "\n" + FileLog::timestamp(kNow) + " — rolled: "));
}

TEST_F(FileLogTest, InvalidUtf8DoesNotCostTheLogAtARoll) {
    const std::string odd = line(kNow - kHour, "file name \xff\xfe.txt");
    writeText(logFile(), filler(kNow - 30 * kHour, FileLog::kRollThreshold, "old") + odd + "\n");
    FileLog::append("now");
    EXPECT_TRUE(readText(logFile()).ends_with("\n" + odd + "\n" + line(kNow, "now") + "\n"));
}

TEST_F(FileLogTest, TheCrashDescriptorStillWritesToTheLiveLogAfterARoll) {
    const std::string original = filler(kNow - kHour, FileLog::kRollThreshold, "recent");
    writeText(logFile(), original);
    int fd = FileLog::openForCrashWriting();
    ASSERT_GE(fd, 0);
    struct stat before {};
    ASSERT_EQ(stat(logFile().c_str(), &before), 0);

    FileLog::append("rolls");
    ASSERT_TRUE(std::filesystem::exists(previousFile()));
    ASSERT_EQ(write(fd, "=== end crash ===\n", 18), 18);
    close(fd);

    struct stat after {};
    ASSERT_EQ(stat(logFile().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    const std::string rolled = readText(logFile());
    EXPECT_TRUE(rolled.ends_with(line(kNow, "rolls") + "\n=== end crash ===\n"));
    EXPECT_LT(rolled.size(), original.size());
    // No run of zero bytes where the descriptor's old end used to be.
    EXPECT_EQ(rolled.find('\0'), std::string::npos);
}

TEST_F(FileLogTest, RecordsBelowTheThresholdNeverRoll) {
    const std::string original = filler(kNow - 30 * kHour, FileLog::kRollThreshold - 200, "old");
    writeText(logFile(), original);
    FileLog::append("small");
    EXPECT_FALSE(std::filesystem::exists(previousFile()));
    EXPECT_EQ(readText(logFile()), original + line(kNow, "small") + "\n");
}

}  // namespace
}  // namespace tarnlet
