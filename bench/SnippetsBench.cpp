// The cost of the snippet work a user waits on: expanding a body at the moment of insertion (with
// every kind of placeholder, so dates go through the real ICU calendar and formatters), ranking a
// large snippet collection for each letter typed in the picker, and reading and importing a very
// large collection (real files, in a temporary folder).

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <string>
#include <vector>

#include "clipboard/SnippetStore.h"
#include "platform/FileIO.h"
#include "platform/TemporaryFolder.h"

namespace tarnlet {
namespace {

const SnippetStore::Moment kMoment{1706706245.0, "en_US", "Europe/Berlin"};

void BM_ExpandEveryPlaceholder(benchmark::State& state) {
    const std::string body =
        "Hello {clipboard},\n\nas agreed on {date} at {time}, the next review is on {date+2w:EEEE, d MMMM yyyy}"
        " ({date+1mo:yyyy-MM-dd}, {time-30m:HH:mm}).\nTicket {uuid}, reference {uuid}.\n\n{cursor}\n\nBest regards";
    const std::optional<std::string> clipboard = "Ada Lovelace";
    for (auto _ : state) {
        auto expansion = SnippetStore::expand(body, clipboard, kMoment);
        benchmark::DoNotOptimize(expansion);
    }
}
BENCHMARK(BM_ExpandEveryPlaceholder);

// A body without any "{" is the common case and must cost next to nothing.
void BM_ExpandPlainBody(benchmark::State& state) {
    const std::string body(400, 'x');
    for (auto _ : state) {
        auto expansion = SnippetStore::expand(body, std::nullopt, kMoment);
        benchmark::DoNotOptimize(expansion);
    }
}
BENCHMARK(BM_ExpandPlainBody);

std::vector<Snippet> collection(std::size_t count) {
    static const char* const kWords[] = {"address", "signature", "meeting", "invoice", "thanks", "follow",
                                         "agenda",  "welcome",   "refund",  "shipping", "holiday", "status"};
    std::vector<Snippet> snippets;
    snippets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string word = kWords[i % std::size(kWords)];
        std::string body = "Dear customer, regarding your " + word + " request number " + std::to_string(i) +
                           ": we will get back to you within two working days. Kind regards, the team.";
        snippets.push_back(Snippet::make(word + std::to_string(i), std::move(body)));
    }
    return snippets;
}

void BM_RankThousandSnippets(benchmark::State& state) {
    const auto snippets = collection(1000);
    for (auto _ : state) {
        auto ranked = SnippetStore::matches("inv", snippets);
        benchmark::DoNotOptimize(ranked);
    }
}
BENCHMARK(BM_RankThousandSnippets);

// The same with accented text, which takes the full Unicode lowercase path.
void BM_RankThousandAccentedSnippets(benchmark::State& state) {
    auto snippets = collection(1000);
    for (auto& snippet : snippets) snippet.body += " Café Zürich.";
    for (auto _ : state) {
        auto ranked = SnippetStore::matches("inv", snippets);
        benchmark::DoNotOptimize(ranked);
    }
}
BENCHMARK(BM_RankThousandAccentedSnippets);

// A snippets file of the first count snippets of the collection, written directly, so setting up
// costs the same whatever the store's own import costs.
void writeCollection(const SnippetStore& store, std::size_t count) {
    Value json = Value::array();
    for (const auto& snippet : collection(count))
        json.push_back(Value{{"id", snippet.id.uppercased()}, {"trigger", snippet.trigger}, {"body", snippet.body}});
    if (!FileIO::writeAtomically(store.fileURL(), json.dump()).ok()) std::abort();
}

// The backup form of count snippets, triggers from first on.
Value backupEntries(std::size_t first, std::size_t count) {
    Value entries = Value::array();
    for (const auto& snippet : collection(first + count)) {
        if (first > 0) {
            --first;
            continue;
        }
        entries.push_back(Value{{"trigger", snippet.trigger}, {"body", snippet.body}});
    }
    return entries;
}

// Reading a file of `range` snippets on first use: parsing, checking every entry, keeping each
// identity once.
void BM_LoadSnippets(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    TemporaryFolder root("tarnlet-bench");
    SnippetStore store(root.path());
    writeCollection(store, count);
    for (auto _ : state) {
        store.invalidateCache();
        benchmark::DoNotOptimize(store.all().data());
    }
    if (store.all().size() != count) state.SkipWithError("the file did not load in full");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}
BENCHMARK(BM_LoadSnippets)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Importing a backup of `range` snippets into a store that holds as many, half of the triggers
// shared, so half the store is replaced: checking and folding every trigger, then writing the file
// (about 24 MB) atomically.
void BM_ImportSnippets(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    TemporaryFolder root("tarnlet-bench");
    SnippetStore store(root.path());
    writeCollection(store, count);
    const std::string original = *FileIO::readFile(store.fileURL());
    const Value entries = backupEntries(count / 2, count);
    for (auto _ : state) {
        state.PauseTiming();
        if (!FileIO::writeAtomically(store.fileURL(), original).ok()) state.SkipWithError("cannot reset the file");
        store.invalidateCache();
        store.all();
        state.ResumeTiming();
        benchmark::DoNotOptimize(store.importEntries(entries));
    }
    if (store.all().size() != count + count / 2) state.SkipWithError("the import did not replace half the store");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}
BENCHMARK(BM_ImportSnippets)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnlet
