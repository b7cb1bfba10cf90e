// What logging costs: nothing measurable while it is off, one small file append while it is on.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "platform/TemporaryFolder.h"

namespace {

using namespace tarnlet;

void BM_DebugWhileOff(benchmark::State& state) {
    Log::setDebugEnabled(false);
    const std::string title = "Snap";
    for (auto _ : state) {
        Log::debug([&] { return "Feature " + title + ": ON"; });
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DebugWhileOff);

void BM_DebugWhileOnToFile(benchmark::State& state) {
    TemporaryFolder folder("tarnlet-bench");
    FileLog::setDirectory(folder.path());
    Log::setDebugEnabled(true);
    const std::string title = "Snap";
    std::int64_t written = 0;
    for (auto _ : state) {
        Log::debug([&] { return "Feature " + title + ": ON"; });
        // Kept well below the roll threshold, so this measures records alone (BM_Roll measures rolls).
        if (++written % 50'000 == 0) {
            state.PauseTiming();
            FileLog::clear();
            state.ResumeTiming();
        }
    }
    Log::setDebugEnabled(false);
}
BENCHMARK(BM_DebugWhileOnToFile);

// One roll of a 5 MiB log, half of it older than a day: copy, read, cut and rewrite.
void BM_Roll(benchmark::State& state) {
    TemporaryFolder folder("tarnlet-bench");
    FileLog::setDirectory(folder.path());
    const double now = 1796345184.123;
    FileLog::setClock([now] { return now; });
    std::string content;
    const std::string padding(80, 'x');
    for (int i = 0; content.size() < FileLog::kRollThreshold; ++i) {
        const double at = content.size() < FileLog::kRollThreshold / 2 ? now - 2 * 86400 : now - 3600;
        content += FileLog::timestamp(at) + " record " + std::to_string(i) + " " + padding + "\n";
    }
    for (auto _ : state) {
        state.PauseTiming();
        if (std::FILE* file = std::fopen(FileLog::fileURL().c_str(), "wb")) {
            std::fwrite(content.data(), 1, content.size(), file);
            std::fclose(file);
        }
        state.ResumeTiming();
        FileLog::rotate();
    }
    FileLog::setClock(nullptr);
}
BENCHMARK(BM_Roll)->Unit(benchmark::kMillisecond);

void BM_Timestamp(benchmark::State& state) {
    double at = 1796345184.123;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FileLog::timestamp(at));
        at += 0.001;
    }
}
BENCHMARK(BM_Timestamp);

void BM_ParseTimestamp(benchmark::State& state) {
    const std::string stamp = FileLog::timestamp(1796345184.123);
    for (auto _ : state) benchmark::DoNotOptimize(FileLog::parseTimestamp(stamp));
}
BENCHMARK(BM_ParseTimestamp);

}  // namespace
