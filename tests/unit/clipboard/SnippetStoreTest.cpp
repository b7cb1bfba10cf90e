#include "clipboard/SnippetStore.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "diagnostics/Log.h"
#include "platform/sim/SimSystemLog.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;

using Texts = std::vector<std::string>;

// Wednesday 2024-01-31 13:04:05 UTC, and the same moment one year earlier.
constexpr double kLastOfJanuary2024 = 1706706245.0;
constexpr double kLastOfJanuary2023 = 1675170245.0;

const SnippetStore::Moment kMoment{kLastOfJanuary2024, "en_US", "UTC"};

Texts triggers(const std::vector<Snippet>& snippets) {
    Texts out;
    for (const auto& snippet : snippets) out.push_back(snippet.trigger);
    return out;
}

std::string expanded(std::string_view body, const SnippetStore::Moment& moment = kMoment) {
    return SnippetStore::expand(body, std::nullopt, moment).text;
}

class SnippetStoreTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path root = dir.path() / "Application Support" / "Tarnlet";
    SnippetStore store{root};

    fs::path file() const { return root / "Snippets.json"; }
    fs::path aside() const { return root / "Snippets.json.corrupt"; }
    // What the next launch would read.
    std::vector<Snippet> reread() const {
        SnippetStore other(root);
        return other.all();
    }
};

// Saving and removing

TEST_F(SnippetStoreTest, SaveReplacesTriggersThatDifferOnlyInCaseAndKeepsPositionOnUpdate) {
    const Snippet lower = Snippet::make("sig", "one");
    Snippet address = Snippet::make("addr", "two");
    store.save(lower);
    store.save(address);
    store.save(Snippet::make("Sig", "three"));
    EXPECT_EQ(triggers(store.all()), (Texts{"addr", "Sig"}));

    // An update keeps its place; renaming it onto another trigger pushes that one out.
    address.body = "changed";
    store.save(address);
    EXPECT_EQ(triggers(store.all()), (Texts{"addr", "Sig"}));
    EXPECT_EQ(store.all()[0].body, "changed");
    address.trigger = "SIG";
    store.save(address);
    EXPECT_EQ(triggers(store.all()), (Texts{"SIG"}));
    EXPECT_EQ(reread(), store.all());

    // Non-ASCII triggers collide by their lowercase too.
    store.save(Snippet::make("Ärger", "a"));
    store.save(Snippet::make("ärger", "b"));
    EXPECT_EQ(triggers(store.all()), (Texts{"SIG", "ärger"}));
}

TEST_F(SnippetStoreTest, RemoveWritesOnlyWhenASnippetWent) {
    store.remove(Uuid::random());
    EXPECT_FALSE(fs::exists(file()));
    const Snippet kept = Snippet::make("a", "1");
    const Snippet gone = Snippet::make("b", "2");
    store.save(kept);
    store.save(gone);
    store.remove(gone.id);
    EXPECT_EQ(reread(), std::vector<Snippet>{kept});
}

// The file

TEST_F(SnippetStoreTest, FileIsACompactArrayThatRoundTrips) {
    const Snippet snippet{*Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950e"), "q\"t", "line\n{cursor}é"};
    store.save(snippet);
    EXPECT_EQ(test::readText(file()),
              R"([{"body":"line\n{cursor}é","id":"0F8FAD5B-D9CB-469F-A165-70867728950E","trigger":"q\"t"}])");
    EXPECT_EQ(reread(), std::vector<Snippet>{snippet});

    // The in-memory copy stands until it is dropped: another process's edit shows only then.
    test::writeText(file(), "[]");
    EXPECT_EQ(store.all().size(), 1u);
    store.invalidateCache();
    EXPECT_TRUE(store.all().empty());
    EXPECT_FALSE(fs::exists(aside()));
}

TEST_F(SnippetStoreTest, DamagedFileIsSetAsideBeforeItIsOverwritten) {
    test::writeText(file(), "{not json");
    EXPECT_TRUE(store.all().empty());
    EXPECT_EQ(test::readText(file()), "{not json");  // reading alone changes nothing

    store.save(Snippet::make("new", "body"));
    EXPECT_EQ(test::readText(aside()), "{not json");
    EXPECT_EQ(triggers(reread()), (Texts{"new"}));
}

TEST_F(SnippetStoreTest, PartlyDamagedFileKeepsItsGoodSnippetsAndTheWholeOriginal) {
    const std::string original =
        R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","trigger":"good","body":"b"},)"
        R"({"id":"not an id","trigger":"bad","body":"b"},{"trigger":"noid","body":"b"},7,)"
        R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","trigger":"twin","body":"b"}])";
    test::writeText(file(), original);
    EXPECT_EQ(triggers(store.all()), (Texts{"good", "twin"}));
    EXPECT_NE(store.all()[0].id, store.all()[1].id);  // a repeated identity gets one of its own

    store.remove(store.all()[1].id);
    EXPECT_EQ(test::readText(aside()), original);
    EXPECT_EQ(triggers(reread()), (Texts{"good"}));
}

TEST_F(SnippetStoreTest, TheFileIsReadableByTheUserAlone) {
    store.save(Snippet::make("pw", "not for other users"));
    struct stat info {};
    ASSERT_EQ(::stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(root.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SnippetStoreTest, AFailedWriteIsLoggedOnceUntilAWriteSucceeds) {
    sim::SimSystemLog log;
    Log::setSystemLog(&log);
    fs::create_directories(root.parent_path());
    test::writeText(root, "a file where the data folder belongs");
    store.save(Snippet::make("a", "1"));
    store.save(Snippet::make("b", "2"));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].error);
    EXPECT_EQ(log.lines()[0].text, "Snippets: could not save snippets — " + *store.lastWriteError());

    fs::remove(root);
    store.save(Snippet::make("c", "3"));
    EXPECT_FALSE(store.lastWriteError().has_value());
    EXPECT_EQ(triggers(reread()), (Texts{"a", "b", "c"}));
    EXPECT_EQ(log.lines().size(), 1u);
    Log::setSystemLog(nullptr);
}

// Backup

TEST_F(SnippetStoreTest, ImportNormalisesTriggersAndSkipsMalformedEntries) {
    store.save(Snippet::make("x", "old"));
    store.save(Snippet::make("keep", "k"));
    const Value entries = Value::parse(R"([
        {"trigger": " :x ", "body": "first"},
        {"trigger": "X", "body": "second"},
        {"trigger": " \n::\t", "body": "blank"},
        {"trigger": 1, "body": "number"},
        {"trigger": "nobody"},
        "text", null, [1, 2]
    ])");
    EXPECT_EQ(store.importEntries(entries), 2);
    EXPECT_EQ(triggers(store.all()), (Texts{"keep", "X"}));
    EXPECT_EQ(store.all()[1].body, "second");
    EXPECT_EQ(reread(), store.all());

    EXPECT_EQ(store.exportEntries(), Value::parse(R"([{"trigger":"keep","body":"k"},{"trigger":"X","body":"second"}])"));

    Value invalid = Value::array();
    invalid.push_back(Value{{"trigger", "bad\xFF"}, {"body", "b"}});
    EXPECT_EQ(store.importEntries(invalid), 0);
    EXPECT_EQ(store.importEntries(Value{{"trigger", "t"}, {"body", "b"}}), 0);  // not a list
    EXPECT_EQ(store.all().size(), 2u);
}

TEST_F(SnippetStoreTest, ImportedTriggersReplaceEveryEarlierSnippetAndTheLastEntryOfATriggerWins) {
    // The file may hold two snippets whose triggers differ only in case.
    const std::string list = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","trigger":"a","body":"kept"},)"
                             R"({"id":"1F8FAD5B-D9CB-469F-A165-70867728950E","trigger":"B","body":"old"},)"
                             R"({"id":"2F8FAD5B-D9CB-469F-A165-70867728950E","trigger":"c","body":"old"},)"
                             R"({"id":"3F8FAD5B-D9CB-469F-A165-70867728950E","trigger":"b","body":"old"}])";
    test::writeText(file(), list);
    const Value entries = Value::parse(R"([{"trigger":"b","body":"b1"},{"trigger":"C","body":"c1"},)"
                                       R"({"trigger":"B","body":"b2"},{"trigger":"d","body":"d1"}])");
    EXPECT_EQ(store.importEntries(entries), 4);
    EXPECT_EQ(triggers(store.all()), (Texts{"a", "C", "B", "d"}));
    EXPECT_EQ(store.all()[2].body, "b2");
    EXPECT_EQ(reread(), store.all());
}

// Searching and completing

TEST(SnippetMatchTest, RanksTriggerPrefixThenTriggerThenBody) {
    const std::vector<Snippet> snippets{Snippet::make("hello", "I am glad to hear it"), Snippet::make("bad", "x"),
                                        Snippet::make("zip", "none"), Snippet::make("address", "street"),
                                        Snippet::make("Adam", "y")};
    EXPECT_EQ(triggers(SnippetStore::matches(":ad", snippets)), (Texts{"address", "Adam", "bad", "hello"}));
    EXPECT_EQ(triggers(SnippetStore::matches(" \t::AD\t", snippets)), (Texts{"address", "Adam", "bad", "hello"}));
    EXPECT_EQ(SnippetStore::matches(" \t", snippets), snippets);
    EXPECT_EQ(SnippetStore::matches("::", snippets), snippets);
    EXPECT_TRUE(SnippetStore::matches("qqq", snippets).empty());

    // Case and composition do not matter outside ASCII either.
    const std::vector<Snippet> accented{Snippet::make("Cafe\xCC\x81", "b"), Snippet::make("ÉCOLE", "b")};
    EXPECT_EQ(triggers(SnippetStore::matches("CAFÉ", accented)), (Texts{"Cafe\xCC\x81"}));
    EXPECT_EQ(triggers(SnippetStore::matches("éc", accented)), (Texts{"ÉCOLE"}));
}

TEST(SnippetMatchTest, CompletionsOfferPlaceholdersBeginningWithTheWord) {
    EXPECT_EQ(SnippetStore::completions("{da"), (Texts{"{date}", "{date+1d}", "{date:yyyy-MM-dd}"}));
    EXPECT_EQ(SnippetStore::completions("{DATE:YYYY"), (Texts{"{date:yyyy-MM-dd}"}));
    EXPECT_EQ(SnippetStore::completions("{").size(), 8u);
    EXPECT_TRUE(SnippetStore::completions("da").empty());
    EXPECT_TRUE(SnippetStore::completions("").empty());
}

// Expanding

TEST(SnippetExpansionTest, BodyWithoutBraceIsInsertedVerbatim) {
    const std::string body = "date} time: 100% \xFF";
    EXPECT_EQ(SnippetStore::expand(body, "clip", kMoment), (SnippetStore::Expansion{body, std::nullopt}));
}

TEST(SnippetExpansionTest, OffsetsMoveByCalendarUnitsWithoutWrapping) {
    EXPECT_EQ(expanded("{date+1mo:yyyy-MM-dd}"), "2024-02-29");
    EXPECT_EQ(expanded("{date+1mo:yyyy-MM-dd}", {kLastOfJanuary2023, "en_US", "UTC"}), "2023-02-28");
    EXPECT_EQ(expanded("{date-2w:yyyy-MM-dd}"), "2024-01-17");
    EXPECT_EQ(expanded("{time+1m:HH:mm}|{time-1h:HH:mm}|{time+5s:ss}"), "13:05|12:04|10");
    EXPECT_EQ(expanded("{date+1y:yyyy}{date+3d:dd}"), "202503");
    // Too large to parse counts as no offset; too large for the calendar leaves the date alone.
    EXPECT_EQ(expanded("{date+12345678901234567890d:yyyy-MM-dd}"), "2024-01-31");
    EXPECT_EQ(expanded("{date+9999999999y:yyyy-MM-dd}"), "2024-01-31");
    EXPECT_EQ(expanded("{date+\xD9\xA1" "d:yyyy-MM-dd}"), "2024-01-31");  // an Arabic-Indic digit
}

TEST(SnippetExpansionTest, DefaultStylesFollowTheLocaleAndTimeZone) {
    EXPECT_EQ(expanded("{date}"), "Jan 31, 2024");
    const std::string time = expanded("{time}");
    EXPECT_TRUE(time.starts_with("1:04") && time.ends_with("PM")) << time;
    EXPECT_EQ(expanded("{date} {time}", {kLastOfJanuary2024, "de_DE", "Pacific/Auckland"}), "01.02.2024 02:04");
    // The kind decides only the default style.
    EXPECT_EQ(expanded("{time:yyyy}"), "2024");
}

TEST(SnippetExpansionTest, OnlyWellFormedTokensAreReplaced) {
    EXPECT_EQ(expanded("{Date}{date:}{date+1x}{{date:yyyy}}{date:yyyy"), "{Date}{date+1x}{2024}{date:yyyy");
    EXPECT_EQ(expanded("{date+1d:EEE}, {date:'at' HH}"), "Thu, at 13");

    // A long run of unclosed tokens is read once, not once per token.
    std::string unclosed;
    for (int i = 0; i < 40'000; ++i) unclosed += "{date:";
    EXPECT_EQ(expanded(unclosed + "\xFF"), unclosed + "\xFF");
}

TEST(SnippetExpansionTest, EachUuidIsFreshAndLowercase) {
    const std::string text = expanded("{uuid} {uuid}");
    ASSERT_EQ(text.size(), 73u);
    const std::string first = text.substr(0, 36);
    const std::string second = text.substr(37);
    EXPECT_NE(first, second);
    for (const auto& id : {first, second}) {
        ASSERT_TRUE(Uuid::parse(id)) << id;
        EXPECT_EQ(Uuid::parse(id)->lowercased(), id);
    }
}

TEST(SnippetExpansionTest, CaretMarkerAndClipboard) {
    EXPECT_EQ(SnippetStore::expand("Dear {cursor}, {cursor}", std::nullopt, kMoment),
              (SnippetStore::Expansion{"Dear , ", 2}));
    // The offset counts what one arrow press steps over: whole characters, not bytes.
    EXPECT_EQ(SnippetStore::expand("{cursor}e\xCC\x81👍🏽\r\n", std::nullopt, kMoment).caretOffsetFromEnd, 3u);
    EXPECT_EQ(SnippetStore::expand("x{cursor}", std::nullopt, kMoment), (SnippetStore::Expansion{"x", 0}));
    EXPECT_EQ(SnippetStore::expand("a{cursor}b{cur{cursor}sor}", std::nullopt, kMoment),
              (SnippetStore::Expansion{"ab", 1}));

    EXPECT_EQ(SnippetStore::expand("[{clipboard}]", std::nullopt, kMoment).text, "[]");
    EXPECT_EQ(SnippetStore::expand("[{clipboard}]", "", kMoment).text, "[]");
    // Clipboard text is not scanned for dates or identifiers, but its caret marker counts when the
    // body has none before it.
    EXPECT_EQ(SnippetStore::expand("{clipboard}!", "{date} {uuid} {clipboard}{cursor}ab", kMoment),
              (SnippetStore::Expansion{"{date} {uuid} {clipboard}ab!", 3}));
    EXPECT_EQ(SnippetStore::expand("{cursor}{clipboard}", "{cursor}ab", kMoment), (SnippetStore::Expansion{"ab", 2}));
}

TEST(SnippetExpansionTest, PlaceholderExamples) {
    EXPECT_EQ(SnippetStore::placeholderExample("{cursor}", "x", kMoment), "caret marker (removed on insert)");
    EXPECT_EQ(SnippetStore::placeholderExample("{clipboard}", std::nullopt, kMoment), "(clipboard empty)");
    EXPECT_EQ(SnippetStore::placeholderExample("{clipboard}", "", kMoment), "(clipboard empty)");
    EXPECT_EQ(SnippetStore::placeholderExample("{clipboard}", std::string(50, 'a'), kMoment), std::string(39, 'a') + "…");
    EXPECT_EQ(SnippetStore::placeholderExample("{date+1d}", std::nullopt, kMoment), "Feb 1, 2024");
}

TEST(SnippetPreviewTest, FirstVisibleLineCutAtSixtyCharacters) {
    EXPECT_EQ(Snippet::previewOf(" \t\n\r\n  hello  world \t\nsecond"), "hello  world");
    EXPECT_EQ(Snippet::previewOf("\n \t \n"), "");
    EXPECT_EQ(Snippet::previewOf(std::string(60, 'x')), std::string(60, 'x'));
    EXPECT_EQ(Snippet::previewOf(std::string(61, 'x')), std::string(59, 'x') + "…");
    std::string accents;
    for (int i = 0; i < 61; ++i) accents += "e\xCC\x81";
    std::string kept;
    for (int i = 0; i < 59; ++i) kept += "e\xCC\x81";
    EXPECT_EQ(Snippet::previewOf(accents), kept + "…");
}

}  // namespace
}  // namespace tarnlet
