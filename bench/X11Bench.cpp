// The X11 backend's hot paths against a real X server: the key table every key event passes, and
// the window list the window tools ask for, with ten xterms open. Run it on the test desktop:
//     scripts/desktop-session build/default/bench/bench_x11

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/linux/X11Display.h"
#include "platform/linux/X11KeyTable.h"
#include "platform/linux/X11WindowServer.h"

namespace tarnlet::linux_desktop {
namespace {

// A raw key event's translation: which modifier the keysym makes, and the flag word of the held
// modifiers after it.
void BM_KeyTranslation(benchmark::State& state) {
    const std::uint32_t keysyms[] = {0x61, X11KeyTable::kShiftLeft, 0xffec /* Super_R */, X11KeyTable::kMenu, 0xfe03};
    std::uint64_t held = 0;
    for (auto _ : state) {
        for (std::uint32_t keysym : keysyms) {
            if (const auto* modifier = X11KeyTable::modifier(keysym)) held ^= modifier->deviceBit;
            benchmark::DoNotOptimize(X11KeyTable::flagsForDeviceBits(held));
        }
    }
    state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_KeyTranslation);

// The window list with ten xterms on the screen: one round trip per property the records need.
void BM_WindowList(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X server: run under scripts/desktop-session");
        return;
    }
    X11Display display;
    X11WindowServer server(display);
    std::vector<std::unique_ptr<QProcess>> xterms;
    for (int i = 0; i < 10; ++i) {
        xterms.push_back(std::make_unique<QProcess>());
        xterms.back()->start("xterm", {"-geometry", "40x10+" + QString::number(40 * i) + "+" + QString::number(30 * i)});
    }
    // Until the window manager has framed them all.
    for (int tries = 0; tries < 200; ++tries) {
        auto list = server.windowList({true, true});
        if (list && list->size() >= 10) break;
        QThread::msleep(50);
    }
    for (auto _ : state) benchmark::DoNotOptimize(server.windowList({true, true}));
    for (auto& xterm : xterms) {
        xterm->kill();
        xterm->waitForFinished();
    }
}
BENCHMARK(BM_WindowList)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarnlet::linux_desktop

int main(int argc, char** argv) {
    std::unique_ptr<QGuiApplication> app;
    if (std::getenv("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
