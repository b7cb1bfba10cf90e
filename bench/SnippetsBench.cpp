// The cost of the snippet work a user waits on: expanding a body at the moment of insertion (with
// every kind of placeholder, so dates go through the real ICU calendar and formatters) and ranking
// a large snippet collection for each letter typed in the picker.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "clipboard/SnippetStore.h"

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

}  // namespace
}  // namespace tarnlet
