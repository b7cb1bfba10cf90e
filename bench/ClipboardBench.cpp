// The cost of the clipboard history's work on the main thread: admitting a copy (its write waits
// for the burst it belongs to), the atomic rewrite of a full history file, flushed to the disk,
// loading both files at activation, and preparing the picker's list and previews. Files are real,
// in a temporary folder; run with TMPDIR on another file system to see how much of a write is the
// disk's flush.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "clipboard/ClipboardStore.h"
#include "platform/TemporaryFolder.h"
#include "platform/sim/SimMainQueue.h"

namespace tarnlet {
namespace {

constexpr double kStart = 1767258000.0;

// A text of about size bytes, mostly ASCII with some accented letters, as copied prose is; number
// keeps the texts distinct.
std::string text(std::size_t size, long number) {
    std::string out = "#" + std::to_string(number) + " ";
    static const std::string kSentence = "Le café du coin ouvre à huit heures; the meeting moved to Thursday. ";
    while (out.size() < size) out += kSentence;
    out.resize(size);
    // A cut after the first byte of a two-byte letter would leave ill-formed UTF-8, which the
    // store refuses.
    if (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0xC0) out.pop_back();
    return out;
}

// A store whose history and pins are full, written to disk.
void fill(ClipboardStore& store, std::size_t size) {
    for (long i = 0; i < static_cast<long>(ClipboardStore::kCapacity); ++i) {
        store.setPinned({text(size, -1 - i), kStart}, true);
        store.ingest(text(size, i));
    }
}

// A store whose history and pins are full and written, and distinct copies of `size` bytes made
// beforehand, so only the store's own work is timed.
struct FullStore {
    explicit FullStore(std::size_t size) : store(root.path(), queue) {
        fill(store, size);
        store.flush();
        for (long i = 0; i < 64; ++i) copies.push_back(text(size, 1000 + i));
    }
    const std::string& nextCopy() {
        next = (next + 1) % copies.size();
        return copies[next];
    }

    TemporaryFolder root{"tarnlet-bench"};
    sim::SimMainQueue queue{kStart};
    ClipboardStore store;
    std::vector<std::string> copies;
    std::size_t next = 0;
};

// A new copy arrives with the history full: the oldest entry goes, and the history file's write is
// scheduled (still waiting when the next copy comes, as in a burst). `range` is the size of each
// text in bytes.
void BM_IngestDeferred(benchmark::State& state) {
    FullStore full(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) full.store.ingest(full.nextCopy());
    full.store.flush();
    if (full.store.lastWriteError()) state.SkipWithError(full.store.lastWriteError()->c_str());
}
BENCHMARK(BM_IngestDeferred)->Arg(64)->Arg(4096)->Arg(100'000)->Unit(benchmark::kMicrosecond);

// A copy and its write at once: the whole history file encoded and replaced atomically. Every copy
// cost this before writes were coalesced; now a burst of copies costs it once, a moment later.
void BM_IngestWithWrite(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    FullStore full(size);
    for (auto _ : state) {
        full.store.ingest(full.nextCopy());
        full.store.flush();
    }
    if (full.store.lastWriteError()) state.SkipWithError(full.store.lastWriteError()->c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size * ClipboardStore::kCapacity));
}
BENCHMARK(BM_IngestWithWrite)->Arg(64)->Arg(4096)->Arg(100'000)->Unit(benchmark::kMicrosecond);

// Ten copies in quick succession, as a script or a hurried user makes them, and the one write they
// share once the delay has passed.
void BM_BurstOfTenCopies(benchmark::State& state) {
    FullStore full(64);
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i) full.store.ingest(full.nextCopy());
        full.queue.advanceBy(ClipboardStore::kWriteDelay);
    }
    if (full.store.lastWriteError()) state.SkipWithError(full.store.lastWriteError()->c_str());
}
BENCHMARK(BM_BurstOfTenCopies)->Unit(benchmark::kMicrosecond);

// The same text copied again: every check of the copy runs, nothing is written.
void BM_IngestUnchanged(benchmark::State& state) {
    TemporaryFolder root("tarnlet-bench");
    sim::SimMainQueue queue(kStart);
    ClipboardStore store(root.path(), queue);
    const auto size = static_cast<std::size_t>(state.range(0));
    fill(store, size);
    const std::string newest = store.entries().front().text;
    for (auto _ : state) store.ingest(newest);
}
BENCHMARK(BM_IngestUnchanged)->Arg(64)->Arg(100'000)->Unit(benchmark::kMicrosecond);

// Activation: both files read, parsed and decoded, each text's comparison form worked out.
void BM_LoadBothFiles(benchmark::State& state) {
    TemporaryFolder root("tarnlet-bench");
    sim::SimMainQueue queue(kStart);
    const auto size = static_cast<std::size_t>(state.range(0));
    {
        ClipboardStore writer(root.path(), queue);
        fill(writer, size);
    }
    ClipboardStore store(root.path(), queue);
    for (auto _ : state) {
        store.load();
        benchmark::DoNotOptimize(store.entries().data());
    }
    if (store.entries().size() != ClipboardStore::kCapacity || store.pinned().size() != ClipboardStore::kCapacity)
        state.SkipWithError("the files did not load in full");
}
BENCHMARK(BM_LoadBothFiles)->Arg(64)->Arg(4096)->Arg(100'000)->Unit(benchmark::kMicrosecond);

// Opening the picker: its list, the first nine previews at the picker's width and their pin marks.
// With 100,000-byte texts every entry is one long line, the worst case for a preview.
void BM_PreparePicker(benchmark::State& state) {
    TemporaryFolder root("tarnlet-bench");
    sim::SimMainQueue queue(kStart);
    ClipboardStore store(root.path(), queue);
    const auto size = static_cast<std::size_t>(state.range(0));
    fill(store, size);
    // Half the pins also in the history, so the picker has duplicates to fold.
    for (long i = 0; i < 10; ++i) store.setPinned({text(size, i), kStart}, true);
    for (auto _ : state) {
        const auto list = store.pickerOrdered();
        for (std::size_t i = 0; i < list.size() && i < 9; ++i) {
            benchmark::DoNotOptimize(ClipboardStore::preview(list[i].text, 34));
            benchmark::DoNotOptimize(store.isPinned(list[i].text));
        }
    }
}
BENCHMARK(BM_PreparePicker)->Arg(64)->Arg(100'000)->Unit(benchmark::kMicrosecond);

// One preview of a long link, cut in the middle.
void BM_PreviewLink(benchmark::State& state) {
    std::string link = "https://example.com/search?q=";
    while (link.size() < 2000) link += "caf%C3%A9+";
    for (auto _ : state) benchmark::DoNotOptimize(ClipboardStore::preview(link, 34));
}
BENCHMARK(BM_PreviewLink);

}  // namespace
}  // namespace tarnlet
