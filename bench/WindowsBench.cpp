// The cost of the window tools' hot paths on the simulated desktop, so the figures measure the
// system's own work and the model's bookkeeping, not a real application's answer time.

#include <benchmark/benchmark.h>

#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"
#include "windows/SnapPosition.h"
#include "windows/WindowSnapper.h"

namespace tarnlet {
namespace {

// One keyboard snap end to end: the frontmost application's focused window is looked up, its frame
// read, the place computed on its screen, the frame set and read back. Alternating sides keeps the
// cycle from ever continuing, so every iteration does the full work.
void BM_KeyboardSnap(benchmark::State& state) {
    TemporaryFolder home("tarnlet-bench");
    {
        sim::SimDesktop desktop(home.path());
        auto& apps = desktop.applications();
        const int pid = apps.launch("com.example.editor", "Editor");
        desktop.workspace().setFrontmostApplicationPID(pid);
        sim::SimApplications::WindowSpec spec;
        spec.title = "Notes";
        spec.frame = Rect(100, 100, 600, 400);
        apps.addWindow(pid, spec);
        WindowServices services{desktop.applications(), desktop.workspace(), desktop.screens()};
        WindowSnapper snapper(services);

        bool left = true;
        for (auto _ : state) {
            snapper.snap(left ? SnapPosition::leftHalf : SnapPosition::rightHalf);
            left = !left;
        }
    }
}
BENCHMARK(BM_KeyboardSnap);

// The geometry alone, over every place.
void BM_SnapFrames(benchmark::State& state) {
    const Rect visible(100, 50, 1000, 700);
    const Size window{400, 300};
    for (auto _ : state) {
        for (SnapPosition position : SnapPositions::all())
            benchmark::DoNotOptimize(SnapPositions::frame(position, visible, window));
    }
}
BENCHMARK(BM_SnapFrames);

}  // namespace
}  // namespace tarnlet
