#include "clipboard/ClipboardStore.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <limits>
#include <random>
#include <memory>
#include <string>
#include <vector>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "diagnostics/Log.h"
#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimSystemLog.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;

using Texts = std::vector<std::string>;

// 2026-01-01 09:00:00 UTC; in the files' count from 2001-01-01 that is 788950800 seconds.
constexpr double kStart = 1767258000.0;
constexpr double kStartInFile = 788950800.0;

Texts texts(const std::vector<ClipboardEntry>& entries) {
    Texts out;
    for (const auto& entry : entries) out.push_back(entry.text);
    return out;
}

std::string entryJSON(const std::string& text, double date = kStartInFile) {
    return Value{{"text", text}, {"firstCopiedAt", date}}.dump();
}

std::string entryJSONOrdered(const std::string& text, double date) {
    nlohmann::ordered_json object;
    object["text"] = text;
    object["firstCopiedAt"] = date;
    return object.dump();
}

class ClipboardStoreTest : public ::testing::Test {
protected:
    test::TempDir dir;
    sim::SimMainQueue queue{kStart};
    fs::path root = dir.path() / "Application Support" / "Tarnlet";
    std::unique_ptr<ClipboardStore> store = fresh();

    std::unique_ptr<ClipboardStore> fresh() { return std::make_unique<ClipboardStore>(root, queue); }
    // A second store on the same folder, as the next launch would see it once this one has quit.
    std::unique_ptr<ClipboardStore> reloaded() {
        store->flush();
        auto other = fresh();
        other->load();
        return other;
    }
    // What a file holds once the store's waiting changes are written.
    std::string onDisk(const fs::path& file) {
        store->flush();
        return test::readText(file);
    }
    fs::path history() const { return root / "Clipboard.json"; }
    fs::path pins() const { return root / "ClipboardPins.json"; }
    static fs::path aside(const fs::path& file) { return fs::path(file.string() + ".corrupt"); }
    void copy(std::initializer_list<const char*> list) {
        for (const char* text : list) store->ingest(text);
    }
};

// Files

TEST_F(ClipboardStoreTest, FilesAreCompactJsonWithDatesCountedFromTheReferenceDate) {
    store->ingest("hello");
    EXPECT_EQ(onDisk(history()), R"([{"text":"hello","firstCopiedAt":788950800.0}])");
    queue.advanceBy(0.25);
    store->ingest("wor\"ld\n");
    EXPECT_EQ(onDisk(history()),
              R"([{"text":"wor\"ld\n","firstCopiedAt":788950800.25},{"text":"hello","firstCopiedAt":788950800.0}])");

    store->setPinned(store->entries()[1], true);
    EXPECT_EQ(onDisk(pins()), R"({"pins":[{"text":"hello","firstCopiedAt":788950800.0}],"manualOrder":false})");
    EXPECT_FALSE(store->lastWriteError().has_value());

    auto next = reloaded();
    EXPECT_EQ(next->entries(), store->entries());
    EXPECT_EQ(next->pinned(), store->pinned());
    EXPECT_DOUBLE_EQ(next->entries()[0].firstCopiedAt, kStart + 0.25);
}

TEST_F(ClipboardStoreTest, ReadsFilesWrittenElsewhere) {
    // Integral dates, keys in any order, keys this system does not know.
    test::writeText(history(), R"([{"firstCopiedAt":0,"text":"a","source":"x"},{"text":"b","firstCopiedAt":-1.5}])");
    test::writeText(pins(), R"({"manualOrder":true,"pins":[)" + entryJSON("b") + "," + entryJSON("c") + "]}");
    store->load();
    EXPECT_EQ(texts(store->entries()), (Texts{"a", "b"}));
    EXPECT_EQ(store->entries()[0].firstCopiedAt, ClipboardEntry::kReferenceDateOffset);
    EXPECT_EQ(store->entries()[1].firstCopiedAt, ClipboardEntry::kReferenceDateOffset - 1.5);
    EXPECT_EQ(texts(store->pinned()), (Texts{"b", "c"}));
    EXPECT_TRUE(store->pinsManualOrder());
    // Loading writes nothing back.
    EXPECT_EQ(onDisk(history()), R"([{"firstCopiedAt":0,"text":"a","source":"x"},{"text":"b","firstCopiedAt":-1.5}])");
}

TEST_F(ClipboardStoreTest, OlderBarePinsArrayLoadsWithAutomaticOrderAndIsRewrittenAsAnObject) {
    test::writeText(pins(), "[" + entryJSON("x") + "," + entryJSON("y") + "]");
    store->load();
    EXPECT_EQ(texts(store->pinned()), (Texts{"x", "y"}));
    EXPECT_FALSE(store->pinsManualOrder());
    // Automatic order: copying a pin moves it up.
    store->ingest("y");
    EXPECT_EQ(texts(store->pinned()), (Texts{"y", "x"}));
    const Value written = Value::parse(onDisk(pins()));
    ASSERT_TRUE(written.is_object());
    EXPECT_EQ(written["manualOrder"], false);
    EXPECT_EQ(written["pins"].size(), 2u);
    EXPECT_FALSE(fs::exists(aside(pins())));
}

TEST_F(ClipboardStoreTest, MissingFilesLoadAsEmptyAndNothingIsCreated) {
    store->ingest("a");
    store->setPinned(store->entries()[0], true);
    store->movePins({0}, 1);
    store->flush();
    fs::remove_all(root);
    store->load();
    EXPECT_TRUE(store->entries().empty());
    EXPECT_TRUE(store->pinned().empty());
    EXPECT_FALSE(store->pinsManualOrder());
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(ClipboardStoreTest, DuplicatesInAFileKeepTheirFirstOccurrenceWithinTheCap) {
    std::string list = "[";
    for (int i = 0; i < 25; ++i) list += (i ? "," : "") + entryJSON("t" + std::to_string(i % 22), i);
    test::writeText(history(), list + "]");
    store->load();
    ASSERT_EQ(store->entries().size(), 20u);
    EXPECT_EQ(store->entries()[0].text, "t0");
    EXPECT_EQ(store->entries()[19].text, "t19");
    EXPECT_EQ(store->entries()[0].firstCopiedAt, ClipboardEntry::kReferenceDateOffset);
}

TEST_F(ClipboardStoreTest, EmptyPinsObjectWithManualOrderStartsAutomaticAgain) {
    test::writeText(pins(), R"({"pins":[],"manualOrder":true})");
    store->load();
    EXPECT_FALSE(store->pinsManualOrder());
}

TEST(ClipboardEntryTest, FileFormReadsBackEveryTextAndAlwaysParses) {
    std::string controls;
    for (char c = 0; c < 0x20; ++c) controls += c;
    std::vector<std::string> samples{controls, "quote \" backslash \\ slash / del \x7F",
                                     "caf\u00E9 \U0001F600 line\u2028sep \uFEFF"};
    // Each special byte at every place within an eight-byte block.
    for (const char* special : {"\"", "\\", "\x1F", "\u00E9", "\xFF"})
        for (int offset = 0; offset < 9; ++offset) samples.push_back(std::string(offset, 'a') + special + std::string(17, 'b'));
    for (const std::string& sample : samples) {
        // Ill-formed bytes come back as U+FFFD; everything else exactly.
        std::string text = sample;
        for (std::size_t at; (at = text.find('\xFF')) != std::string::npos;) text.replace(at, 1, "\uFFFD");
        ClipboardEntry entry{sample, kStart + 0.125};
        std::string json;
        entry.appendJSON(json);
        const auto back = ClipboardEntry::fromJSON(Value::parse(json, nullptr, false));
        ASSERT_TRUE(back.has_value()) << json;
        EXPECT_EQ(back->text, text);
        // Written exactly as a general encoder writes it.
        if (text == sample) {
            EXPECT_EQ(json, entryJSONOrdered(text, kStartInFile + 0.125));
        }
        EXPECT_EQ(back->firstCopiedAt, kStart + 0.125);
    }

    // Neither ill-formed UTF-8 nor an impossible date can make the file unreadable.
    std::string json;
    ClipboardEntry{"a\xFF b \xC3\x28 c \xE2\x82", std::numeric_limits<double>::quiet_NaN()}.appendJSON(json);
    const auto back = ClipboardEntry::fromJSON(Value::parse(json, nullptr, false));
    ASSERT_TRUE(back.has_value()) << json;
    EXPECT_EQ(back->text, "a\uFFFD b \uFFFD( c \uFFFD\uFFFD");
    EXPECT_EQ(back->firstCopiedAt, ClipboardEntry::kReferenceDateOffset);
}

// Unreadable files

class UnreadableHistoryTest : public ClipboardStoreTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(UnreadableHistoryTest, ReadsAsEmptyAndIsKeptAsideBeforeItIsOverwritten) {
    const std::string original = GetParam();
    test::writeText(history(), original);
    store->load();
    EXPECT_TRUE(store->entries().empty());
    EXPECT_EQ(onDisk(history()), original);  // loading touches nothing
    EXPECT_FALSE(fs::exists(aside(history())));

    store->ingest("fresh");
    EXPECT_EQ(onDisk(aside(history())), original);
    EXPECT_EQ(texts(reloaded()->entries()), (Texts{"fresh"}));
    // Only once: the next write replaces the new file, not the kept copy.
    store->ingest("again");
    EXPECT_EQ(onDisk(aside(history())), original);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, UnreadableHistoryTest,
    ::testing::Values("", "not json", "[", "{}", R"({"pins":[],"manualOrder":false})", R"([{"text":"a"}])",
                      R"([{"firstCopiedAt":1}])", R"([{"text":1,"firstCopiedAt":1}])",
                      R"([{"text":"a","firstCopiedAt":"1"}])", R"([{"text":"a","firstCopiedAt":true}])",
                      R"([{"text":"a","firstCopiedAt":1},"b"])", "[{\"text\":\"\xC3\x28\",\"firstCopiedAt\":1}]",
                      "[null]", R"([{"text":"a","firstCopiedAt":1e400}])"));

class UnreadablePinsTest : public ClipboardStoreTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(UnreadablePinsTest, ReadAsNoPinsInAutomaticOrderAndAreKeptAside) {
    const std::string original = GetParam();
    test::writeText(pins(), original);
    store->load();
    EXPECT_TRUE(store->pinned().empty());
    EXPECT_FALSE(store->pinsManualOrder());
    EXPECT_FALSE(fs::exists(aside(pins())));

    // Copying touches only the history file.
    store->ingest("a");
    EXPECT_EQ(onDisk(pins()), original);
    store->setPinned(store->entries()[0], true);
    EXPECT_EQ(onDisk(aside(pins())), original);
    EXPECT_EQ(texts(reloaded()->pinned()), (Texts{"a"}));
}

INSTANTIATE_TEST_SUITE_P(Contents, UnreadablePinsTest,
                         ::testing::Values("garbage", "", "{}", R"({"pins":[]})", R"({"manualOrder":true})",
                                           R"({"pins":[],"manualOrder":1})", R"({"pins":{},"manualOrder":false})",
                                           R"({"pins":[{"text":"a"}],"manualOrder":false})", "42"));

TEST_F(ClipboardStoreTest, AnUnreadableFileThatCannotBeMovedAsideIsNeverOverwritten) {
    test::writeText(history(), "precious but damaged");
    // A non-empty folder under the aside name makes the rename fail, even for the superuser.
    fs::create_directories(aside(history()) / "blocker");
    store->load();
    store->ingest("new");
    EXPECT_EQ(onDisk(history()), "precious but damaged");
    EXPECT_EQ(texts(store->entries()), (Texts{"new"}));  // the change stands in memory
    ASSERT_TRUE(store->lastWriteError().has_value());
    EXPECT_NE(store->lastWriteError()->find("aside"), std::string::npos);

    // Once the way is clear, the next change keeps the damaged file and writes everything.
    fs::remove_all(aside(history()));
    store->ingest("newer");
    EXPECT_EQ(onDisk(aside(history())), "precious but damaged");
    EXPECT_EQ(texts(reloaded()->entries()), (Texts{"newer", "new"}));
    EXPECT_FALSE(store->lastWriteError().has_value());
}

TEST_F(ClipboardStoreTest, AFailedWriteKeepsTheChangeInMemoryAndSaysWhy) {
    fs::create_directories(root.parent_path());
    test::writeText(root, "a file where the data folder belongs");
    store->ingest("kept in memory");
    store->setPinned(store->entries()[0], true);
    store->flush();
    EXPECT_EQ(texts(store->entries()), (Texts{"kept in memory"}));
    EXPECT_EQ(texts(store->pinned()), (Texts{"kept in memory"}));
    EXPECT_TRUE(store->lastWriteError().has_value());
    EXPECT_EQ(test::readText(root), "a file where the data folder belongs");
    EXPECT_TRUE(reloaded()->entries().empty());
}

TEST_F(ClipboardStoreTest, AFailedWriteIsLoggedOnceForEachFileAndWayOfFailing) {
    sim::SimSystemLog log;
    Log::setSystemLog(&log);
    fs::create_directories(root.parent_path());
    test::writeText(root, "a file where the data folder belongs");
    for (const char* text : {"a", "b", "c"}) {
        store->ingest(text);
        store->flush();
    }
    store->setPinned(store->entries()[0], true);
    store->setPinned(store->entries()[1], true);
    store->flush();
    Log::setSystemLog(nullptr);

    const std::string reason = *store->lastWriteError();
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_TRUE(log.lines()[0].error);
    EXPECT_EQ(log.lines()[0].text, "Clipboard: could not save history — " + reason);
    EXPECT_TRUE(log.lines()[1].error);
    EXPECT_EQ(log.lines()[1].text, "Clipboard: could not save pins — " + reason);
}

// Writing

TEST_F(ClipboardStoreTest, ABurstOfCopiesIsWrittenOnceAfterAShortDelay) {
    copy({"a", "b"});
    store->setPinned(store->entries()[0], true);
    queue.advanceBy(ClipboardStore::kWriteDelay / 2);
    store->ingest("c");
    EXPECT_FALSE(fs::exists(history()));
    EXPECT_FALSE(fs::exists(pins()));
    queue.advanceBy(ClipboardStore::kWriteDelay / 2);
    EXPECT_TRUE(fs::exists(history()));
    EXPECT_TRUE(fs::exists(pins()));
    auto next = fresh();
    next->load();
    EXPECT_EQ(texts(next->entries()), (Texts{"c", "b", "a"}));
    EXPECT_EQ(texts(next->pinned()), (Texts{"b"}));
}

TEST_F(ClipboardStoreTest, NothingWaitingIsLostWhenTheStoreGoesOrLoadsAgain) {
    store->ingest("at quit");
    store->setPinned(store->entries()[0], true);
    store.reset();
    EXPECT_EQ(queue.pendingCount(), 0u);
    store = fresh();
    store->load();
    EXPECT_EQ(texts(store->entries()), (Texts{"at quit"}));
    EXPECT_EQ(texts(store->pinned()), (Texts{"at quit"}));

    // Loading again first writes what is waiting, so it reads what the store holds.
    store->ingest("before loading");
    store->load();
    EXPECT_EQ(texts(store->entries()), (Texts{"before loading", "at quit"}));
}

TEST_F(ClipboardStoreTest, FilesAreReadableByTheUserAlone) {
    store->ingest("a secret someone copied");
    store->setPinned(store->entries()[0], true);
    store->flush();
    struct stat info {};
    for (const fs::path& file : {history(), pins()}) {
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
    }
    ASSERT_EQ(::stat(root.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A history file an older version left readable to others is tightened by the next write.
    ASSERT_EQ(::chmod(history().c_str(), 0644), 0);
    store->ingest("another");
    store->flush();
    ASSERT_EQ(::stat(history().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ClipboardStoreTest, LoadingClearsWhatInterruptedWritesLeftBehind) {
    test::writeText(history(), "[" + entryJSON("kept") + "]");
    const std::vector<fs::path> leftovers{root / ".Clipboard.json.tmp-2147483646-1-0a0b0c0d",
                                          root / ".ClipboardPins.json.tmp-2147483646-2-0a0b0c0d"};
    for (const auto& leftover : leftovers) {
        test::writeText(leftover, "[{\"text\":\"half");
        fs::last_write_time(leftover, fs::file_time_type::clock::now() - std::chrono::minutes(10));
    }
    store->load();
    EXPECT_EQ(texts(store->entries()), (Texts{"kept"}));
    for (const auto& leftover : leftovers) EXPECT_FALSE(fs::exists(leftover)) << leftover;
}

TEST_F(ClipboardStoreTest, LoadingLeavesOutHistoryTextsNoCopyCouldBringIn) {
    const std::string largest(ClipboardStore::kMaxTextBytes, 'a');
    const std::string tooLarge(ClipboardStore::kMaxTextBytes + 1, 'b');
    test::writeText(history(), "[" + entryJSON("new") + "," + entryJSON(tooLarge) + "," + entryJSON(largest) + "]");
    store->load();
    EXPECT_EQ(texts(store->entries()), (Texts{"new", largest}));
    // The next copy rewrites the file without it, and does not set the file aside.
    store->ingest("newer");
    EXPECT_EQ(texts(reloaded()->entries()), (Texts{"newer", "new", largest}));
    EXPECT_FALSE(fs::exists(aside(history())));
}

// Admission, duplicates, caps

TEST_F(ClipboardStoreTest, IngestKeepsRealTextsExactlyAsCopied) {
    copy({"", "   ", " \n\t\r\n ", "\u00A0\u3000\u2028"});  // blank, including Unicode spaces
    store->ingest(std::string_view("\xC3\x28 bad", 6));  // ill-formed UTF-8 cannot be stored as JSON
    EXPECT_TRUE(store->entries().empty());
    EXPECT_FALSE(fs::exists(history()));

    store->ingest("  x  ");
    store->ingest(std::string("\0", 1) + "nul");  // a NUL is no white space and survives the file
    EXPECT_EQ(texts(store->entries()), (Texts{std::string("\0nul", 4), "  x  "}));
    EXPECT_EQ(texts(reloaded()->entries()), texts(store->entries()));
}

TEST_F(ClipboardStoreTest, TextsOverOneHundredThousandBytesAreIgnored) {
    const std::string largest(100'000, 'a');
    std::string tooLarge(99'999, ' ');
    tooLarge += "\u00E9";  // two bytes: 100,001 in all
    store->ingest(tooLarge);
    EXPECT_TRUE(store->entries().empty());
    store->ingest(largest);
    ASSERT_EQ(store->entries().size(), 1u);
    EXPECT_EQ(reloaded()->entries()[0].text, largest);
}

TEST_F(ClipboardStoreTest, CopyingTheNewestTextAgainChangesAndWritesNothing) {
    store->ingest("A");
    store->flush();
    test::writeText(history(), "sentinel");
    queue.advanceBy(60);
    store->ingest("A");
    EXPECT_EQ(onDisk(history()), "sentinel");
    EXPECT_EQ(store->entries()[0].firstCopiedAt, kStart);
}

TEST_F(ClipboardStoreTest, ACopiedAgainTextMovesUpWithTheDateOfItsFirstCopy) {
    store->ingest("A");
    queue.advanceBy(10);
    store->ingest("B");
    queue.advanceBy(10);
    store->ingest("A");
    EXPECT_EQ(texts(store->entries()), (Texts{"A", "B"}));
    EXPECT_EQ(store->entries()[0].firstCopiedAt, kStart);
    EXPECT_EQ(store->entries()[1].firstCopiedAt, kStart + 10);
}

TEST_F(ClipboardStoreTest, TheTwentyFirstCopyPushesTheOldestOut) {
    for (int i = 0; i < 21; ++i) store->ingest("t" + std::to_string(i));
    ASSERT_EQ(store->entries().size(), 20u);
    EXPECT_EQ(store->entries().front().text, "t20");
    EXPECT_EQ(store->entries().back().text, "t1");
    EXPECT_EQ(reloaded()->entries().size(), 20u);
}

TEST_F(ClipboardStoreTest, CanonicallyEquivalentTextsAreOneText) {
    const std::string composed = "caf\u00E9";
    const std::string decomposed = "cafe\u0301";
    store->ingest(composed);
    store->ingest(decomposed);  // the newest text again: nothing changes
    EXPECT_EQ(texts(store->entries()), (Texts{composed}));
    store->ingest("other");
    queue.advanceBy(5);
    store->ingest(decomposed);
    EXPECT_EQ(texts(store->entries()), (Texts{decomposed, "other"}));
    EXPECT_EQ(store->entries()[0].firstCopiedAt, kStart);

    store->setPinned({composed, 0}, true);
    EXPECT_TRUE(store->isPinned(decomposed));
    EXPECT_EQ(texts(store->ordered()), (Texts{composed, "other"}));
    store->setPinned({decomposed, 0}, false);
    EXPECT_TRUE(store->pinned().empty());

    EXPECT_TRUE(ClipboardEntry::sameText("\u212B", "\u00C5"));  // ANGSTROM SIGN and Å
    EXPECT_TRUE(ClipboardEntry::sameText("q\u0307\u0323", "q\u0323\u0307"));  // marks in either order
    EXPECT_FALSE(ClipboardEntry::sameText("e", "\u00E9"));
    EXPECT_FALSE(ClipboardEntry::sameText("ﬁ", "fi"));  // compatibility forms stay distinct
    EXPECT_EQ((ClipboardEntry{composed, 1}), (ClipboardEntry{decomposed, 1}));
    EXPECT_NE((ClipboardEntry{composed, 1}), (ClipboardEntry{decomposed, 2}));
}

TEST_F(ClipboardStoreTest, EntriesPassedBackFromTheStoreItselfAreSafe) {
    copy({"a", "b", "c"});
    store->ingest(store->entries()[2].text);
    EXPECT_EQ(texts(store->entries()), (Texts{"a", "c", "b"}));
    store->setPinned(store->entries()[0], true);
    store->setPinned(store->entries()[1], true);
    store->setPinned(store->pinned()[1], true);
    EXPECT_EQ(texts(store->pinned()), (Texts{"a", "c"}));
    store->setPinned(store->pinned()[0], false);
    EXPECT_EQ(texts(store->pinned()), (Texts{"c"}));
}

// Pins

TEST_F(ClipboardStoreTest, InAutomaticOrderACopiedPinMovesToTheFrontUntilPinsAreOrderedByHand) {
    copy({"D", "B"});
    store->setPinned(store->entries()[0], true);  // B
    store->setPinned(store->entries()[1], true);  // D
    EXPECT_EQ(texts(store->pinned()), (Texts{"D", "B"}));

    // B is already the newest copy: the history stays, the pins still reorder and are written.
    store->flush();
    test::writeText(history(), "sentinel");
    store->ingest("B");
    EXPECT_EQ(texts(store->pinned()), (Texts{"B", "D"}));
    EXPECT_EQ(onDisk(history()), "sentinel");
    EXPECT_EQ(texts(reloaded()->pinned()), (Texts{"B", "D"}));

    store->movePins({0}, 2);
    EXPECT_EQ(texts(store->pinned()), (Texts{"D", "B"}));
    EXPECT_TRUE(store->pinsManualOrder());
    store->ingest("B");
    EXPECT_EQ(texts(store->pinned()), (Texts{"D", "B"}));
    auto next = reloaded();
    EXPECT_TRUE(next->pinsManualOrder());
    EXPECT_EQ(texts(next->pinned()), (Texts{"D", "B"}));
}

TEST_F(ClipboardStoreTest, PinningPutsTheItemFirstEvenInManualOrderAndUnpinningTheLastResetsIt) {
    store->setPinned({"x", 1}, true);
    store->setPinned({"y", 2}, true);
    store->movePins({0}, 2);
    EXPECT_EQ(texts(store->pinned()), (Texts{"x", "y"}));
    store->setPinned({"y", 3}, true);
    EXPECT_EQ(texts(store->pinned()), (Texts{"y", "x"}));
    EXPECT_EQ(store->pinned()[0].firstCopiedAt, 3);
    EXPECT_TRUE(store->pinsManualOrder());

    store->setPinned({"nothing pinned", 0}, false);
    EXPECT_TRUE(store->pinsManualOrder());
    store->setPinned({"x", 0}, false);
    store->setPinned({"y", 0}, false);
    EXPECT_FALSE(store->pinsManualOrder());
    EXPECT_EQ(onDisk(pins()), R"({"pins":[],"manualOrder":false})");

    // Reordering no pins changes nothing.
    store->movePins({0}, 1);
    EXPECT_FALSE(store->pinsManualOrder());
}

TEST_F(ClipboardStoreTest, ATwentyFirstPinDropsTheLastPin) {
    for (int i = 0; i < 21; ++i) store->setPinned({"p" + std::to_string(i), 0}, true);
    ASSERT_EQ(store->pinned().size(), 20u);
    EXPECT_EQ(store->pinned().front().text, "p20");
    EXPECT_EQ(store->pinned().back().text, "p1");
    EXPECT_EQ(reloaded()->pinned().size(), 20u);
}

TEST_F(ClipboardStoreTest, ClearingEmptiesTheHistoryButKeepsThePins) {
    copy({"a", "b"});
    store->setPinned(store->entries()[0], true);
    store->clearHistory();
    EXPECT_TRUE(store->entries().empty());
    EXPECT_EQ(onDisk(history()), "[]");
    auto next = reloaded();
    EXPECT_TRUE(next->entries().empty());
    EXPECT_EQ(texts(next->pinned()), (Texts{"b"}));
}

// Lists

TEST_F(ClipboardStoreTest, OrderedListsPinsThenTheUnpinnedHistory) {
    copy({"C", "B", "A"});
    store->setPinned({"D", 0}, true);
    store->setPinned({"B", 0}, true);
    EXPECT_EQ(texts(store->ordered()), (Texts{"B", "D", "A", "C"}));
}

TEST_F(ClipboardStoreTest, PickerPutsTheNewestCopyFirstThenPinsThenTheRest) {
    store->setPinned({"D", 0}, true);
    EXPECT_EQ(texts(store->pickerOrdered()), (Texts{"D"}));  // no history: the pins
    store->setPinned({"B", 0}, true);
    EXPECT_EQ(texts(store->pickerOrdered()), (Texts{"B", "D"}));

    copy({"C", "B"});
    ASSERT_EQ(texts(store->pinned()), (Texts{"B", "D"}));
    EXPECT_EQ(texts(store->pickerOrdered()), (Texts{"B", "D", "C"}));
    store->ingest("A");
    EXPECT_EQ(texts(store->pickerOrdered()), (Texts{"A", "B", "D", "C"}));
}

// Preview

TEST(ClipboardPreviewTest, FirstNonBlankLineWithSpacesTidied) {
    EXPECT_EQ(ClipboardStore::preview("\n\n   two    words  \nsecond line", 34), "two words");
    EXPECT_EQ(ClipboardStore::preview("\t\t \n\t lead\tand\ttabs\t\n", 34), "lead\tand\ttabs");
    EXPECT_EQ(ClipboardStore::preview(" \n\t\n", 34), "");
    EXPECT_EQ(ClipboardStore::preview("", 34), "");
    // Every line break ends the line, not only the line feed.
    EXPECT_EQ(ClipboardStore::preview("first\r\nsecond", 34), "first");
    EXPECT_EQ(ClipboardStore::preview("  \r  old mac\rsecond", 34), "old mac");
    EXPECT_EQ(ClipboardStore::preview("para\u2029graph", 34), "para");
    EXPECT_EQ(ClipboardStore::preview("line\u2028sep", 34), "line");
}

TEST(ClipboardPreviewTest, LongLinesAreCutToTheLimitWithAnEllipsis) {
    const std::string forty = "0123456789012345678901234567890123456789";
    EXPECT_EQ(ClipboardStore::preview(forty, 34), forty.substr(0, 33) + "…");
    EXPECT_EQ(ClipboardStore::preview(forty.substr(0, 34), 34), forty.substr(0, 34));
    EXPECT_EQ(ClipboardStore::preview(forty.substr(0, 35), 34), forty.substr(0, 33) + "…");
    EXPECT_EQ(ClipboardStore::preview("ab", 1), "…");
    EXPECT_EQ(ClipboardStore::preview("ab", 0), "");
    EXPECT_EQ(ClipboardStore::preview("ab", -3), "");
    // Collapsing happens before counting: ten words of two characters make 29 characters.
    EXPECT_EQ(ClipboardStore::preview("aa  bb  cc  dd  ee  ff  gg  hh  ii  jj", 34), "aa bb cc dd ee ff gg hh ii jj");
}

TEST(ClipboardPreviewTest, LongLinksKeepBothEnds) {
    const std::string link = "https://example.com/a/very/long/path/to/some/page.html";
    EXPECT_EQ(ClipboardStore::preview(link, 34), "https://example.…o/some/page.html");
    EXPECT_EQ(ClipboardStore::preview("http://example.com/" + std::string(30, 'x') + "/end", 34),
              "http://example.c…xxxxxxxxxxxx/end");
    EXPECT_EQ(ClipboardStore::preview("https://short.example/", 34), "https://short.example/");
    // Only a line that starts with the scheme is a link.
    EXPECT_EQ(ClipboardStore::preview("see " + link, 34), ("see " + link).substr(0, 33) + "…");
    EXPECT_EQ(ClipboardStore::preview(link, 3), "…");
}

TEST(ClipboardPreviewTest, CharactersAreWhatTheUserSeesNeverSplit) {
    const std::string flag = "\U0001F1E9\U0001F1EA";  // one flag of two code points
    const std::string accented = "e\u0301";
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    std::string line;
    for (int i = 0; i < 20; ++i) line += flag + accented;
    std::string expected;
    for (int i = 0; i < 16; ++i) expected += flag + accented;
    expected += flag;
    EXPECT_EQ(ClipboardStore::preview(line, 34), expected + "…");
    EXPECT_EQ(ClipboardStore::preview(std::string(3, 'a') + family, 4), "aaa" + family);
    EXPECT_EQ(ClipboardStore::preview(std::string(4, 'a') + family, 4), "aaa…");

    // One character can be hundreds of bytes long; it still counts once.
    std::string marks;
    for (int i = 0; i < 150; ++i) marks += "\u0301";
    EXPECT_EQ(ClipboardStore::preview("a" + marks, 1), "a" + marks);
    EXPECT_EQ(ClipboardStore::preview("a" + marks + "b", 1), "…");
    EXPECT_EQ(ClipboardStore::preview(std::string(33, 'x') + "a" + marks + "\nnext", 34), std::string(33, 'x') + "a" + marks);
    EXPECT_EQ(ClipboardStore::preview(std::string(33, 'x') + "a" + marks + " b", 34), std::string(33, 'x') + "…");

    std::string link = "https://example.com/";
    for (int i = 0; i < 30; ++i) link += family;
    std::string tail;
    for (int i = 0; i < 16; ++i) tail += family;
    EXPECT_EQ(ClipboardStore::preview(link, 34), "https://example.…" + tail);
}

// The preview read the plain way: whole text, whole lines, ICU's characters over UTF-16.
std::string referencePreview(const std::string& text, int limit) {
    const icu::UnicodeString whole = icu::UnicodeString::fromUTF8(text);
    std::vector<icu::UnicodeString> lines(1);
    for (int32_t i = 0; i < whole.length(); ++i) {
        const char16_t c = whole.charAt(i);
        if ((c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029) lines.emplace_back();
        else lines.back().append(c);
    }
    icu::UnicodeString line;
    for (auto& candidate : lines) {
        int32_t begin = 0;
        int32_t end = candidate.length();
        while (begin < end && (candidate[begin] == u' ' || candidate[begin] == u'\t')) ++begin;
        while (end > begin && (candidate[end - 1] == u' ' || candidate[end - 1] == u'\t')) --end;
        if (begin == end) continue;
        for (int32_t i = begin; i < end; ++i)
            if (candidate[i] != u' ' || line.isEmpty() || line[line.length() - 1] != u' ') line.append(candidate[i]);
        break;
    }
    if (limit <= 0) return "";
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> characters(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    characters->setText(line);
    std::vector<int32_t> bounds;
    for (int32_t at = characters->first(); at != icu::BreakIterator::DONE; at = characters->next()) bounds.push_back(at);
    const auto length = static_cast<int>(bounds.size()) - 1;
    std::string out;
    if (length <= limit) return line.toUTF8String(out);
    const bool link = line.startsWith(u"http://") || line.startsWith(u"https://");
    const int head = link ? std::max(limit / 2 - 1, 0) : limit - 1;
    line.tempSubStringBetween(0, bounds[head]).toUTF8String(out);
    out += "…";
    if (link) line.tempSubStringBetween(bounds[length - head]).toUTF8String(out);
    return out;
}

TEST(ClipboardPreviewTest, LongAndOddTextsReadAsWhenTheWholeLineIsRead) {
    // Pieces that stress the window over a long line: runs of spaces and tabs, line breaks of
    // every kind, accents that join the letter before, flags made of pairs, joined emoji.
    const std::vector<std::string> pieces{"a", "b", " ", "  ", "\t", "\u00E9", "e\u0301", "\u0301",
                                          "\U0001F1E9", "\U0001F468\u200D", "\U0001F469", "xyz", "/"};
    const std::vector<std::string> breaks{"\n", "\r\n", "\r", "\u2028", "\v"};
    std::mt19937 random(20260101);
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 3 == 0 ? "https://" : "";
        const int length = std::uniform_int_distribution<int>(0, round % 4 == 0 ? 1500 : 100)(random);
        // Some texts lean on one piece, so long runs of it cross the window's edge; line breaks
        // are rare or common by turns.
        const std::size_t favourite = random() % pieces.size();
        const unsigned breakOdds = round % 2 == 0 ? 300 : 12;
        for (int i = 0; i < length; ++i) {
            if (random() % breakOdds == 0) text += breaks[random() % breaks.size()];
            else text += pieces[random() % 3 == 0 ? favourite : random() % pieces.size()];
        }
        for (int limit : {1, 2, 3, 5, 34, 40}) {
            ASSERT_EQ(ClipboardStore::preview(text, limit), referencePreview(text, limit))
                << "limit " << limit << " text " << Value(text).dump();
        }
    }
}

// Reordering

TEST(ClipboardMovedTest, MovedBlocksLandBeforeTheTargetItem) {
    using List = std::vector<char>;
    const List list{'a', 'b', 'c', 'd'};
    EXPECT_EQ(ClipboardStore::moved(list, {0}, 3), (List{'b', 'c', 'a', 'd'}));
    EXPECT_EQ(ClipboardStore::moved(list, {3}, 0), (List{'d', 'a', 'b', 'c'}));
    EXPECT_EQ(ClipboardStore::moved(list, {0, 2}, 4), (List{'b', 'd', 'a', 'c'}));
    EXPECT_EQ(ClipboardStore::moved(list, {1, 3}, 0), (List{'b', 'd', 'a', 'c'}));
    EXPECT_EQ(ClipboardStore::moved(list, {1}, 1), list);
    EXPECT_EQ(ClipboardStore::moved(list, {1}, 2), list);
    EXPECT_EQ(ClipboardStore::moved(list, {}, 2), list);
    // Offsets outside the list are ignored; a target beyond it is the end.
    EXPECT_EQ(ClipboardStore::moved(list, {0, 9}, 99), (List{'b', 'c', 'd', 'a'}));
    EXPECT_EQ(ClipboardStore::moved(List{}, {0}, 0), List{});
}

}  // namespace
}  // namespace tarnlet
