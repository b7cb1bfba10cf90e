// The cost of the window tools' hot paths on the simulated desktop, so the figures measure the
// system's own work and the model's bookkeeping, not a real application's answer time.

#include <benchmark/benchmark.h>

#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"
#include "shelf/DragWatcher.h"
#include "windows/EdgeSnapMonitor.h"
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

// One dragged event of a window drag through the drag watcher and the edge monitor, the window
// already known to be moving: the pointer read, its screen found, the zone worked out. The
// simulated application moves its window after each event too, which the figure includes. `range`
// 0 keeps the pointer in the middle of the screen, 1 at the left edge (an unchanged zone).
void BM_EdgeDragEvent(benchmark::State& state) {
    TemporaryFolder home("tarnlet-bench");
    {
        sim::SimDesktop desktop(home.path());
        desktop.permissions().setAccessibilityTrusted(true);
        auto& apps = desktop.applications();
        const int pid = apps.launch("com.example.editor", "Editor");
        desktop.workspace().setFrontmostApplicationPID(pid);
        sim::SimApplications::WindowSpec spec;
        spec.title = "Notes";
        spec.frame = Rect(300, 200, 400, 300);
        apps.addWindow(pid, spec);
        WindowServices services{desktop.applications(), desktop.workspace(), desktop.screens()};
        DragWatcher drags(desktop.mouse());
        EdgeSnapMonitor edges(drags, services, desktop.mouse(), desktop.panels());
        edges.start();

        auto& mouse = desktop.mouse();
        mouse.moveTo({500, 490});
        mouse.leftDown();
        const double x = state.range(0) == 0 ? 600 : 3;
        mouse.moveTo({x, 480});
        mouse.moveTo({x, 470});
        desktop.runUntilIdle();
        if (!edges.isDraggingWindow()) state.SkipWithError("the drag was not taken for a window move");
        bool up = true;
        for (auto _ : state) {
            mouse.moveTo({x, up ? 471.0 : 470.0});
            up = !up;
        }
        mouse.leftUp();
    }
}
BENCHMARK(BM_EdgeDragEvent)->Arg(0)->Arg(1);

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

void BM_EdgeZone(benchmark::State& state) {
    const Rect visible(0, 30, 1440, 838);
    double y = 100;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EdgeSnapMonitor::zone({4, y}, visible));
        y = y > 800 ? 100 : y + 1;
    }
}
BENCHMARK(BM_EdgeZone);

}  // namespace
}  // namespace tarnlet
