// The cost of the window tools' hot paths on the simulated desktop, so the figures measure the
// system's own work and the model's bookkeeping, not a real application's answer time.

#include <benchmark/benchmark.h>

#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"
#include "shared/DragWatcher.h"
#include "windows/EdgeSnapMonitor.h"
#include "settings/Settings.h"
#include "windows/SnapPosition.h"
#include "windows/SweepEngine.h"
#include "windows/WindowCensus.h"
#include "windows/WindowSpaces.h"
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

// An application with 50 windows spread over 4 desktops, the first of them shown.
int populate(sim::SimDesktop& desktop) {
    auto& apps = desktop.applications();
    const int pid = apps.launch("com.apple.Preview", "Preview");
    std::vector<std::uint64_t> spaces{sim::SimWindowServer::kFirstSpace};
    for (int i = 0; i < 3; ++i) spaces.push_back(desktop.windowServer().addSpace());
    for (int i = 0; i < 50; ++i) {
        sim::SimApplications::WindowSpec spec;
        spec.title = "Document " + std::to_string(i);
        spec.frame = Rect(40.0 + i, 40.0 + i, 600, 400);
        spec.spaces = std::vector<std::uint64_t>{spaces[static_cast<std::size_t>(i) % spaces.size()]};
        apps.addWindow(pid, spec);
    }
    desktop.runUntilIdle();
    return pid;
}

// One recount as Sweep runs it on its census queue: the accessibility count, then the other-desktop
// and on-screen counts from the window list.
void BM_SweepRecount(benchmark::State& state) {
    TemporaryFolder home("tarnlet-bench");
    {
        sim::SimDesktop desktop(home.path());
        const int pid = populate(desktop);
        WindowSpaces spaces(desktop.windowServer());
        const AXElement app = desktop.applications().createApplication(pid);
        for (auto _ : state) {
            benchmark::DoNotOptimize(WindowCensus::keepAliveWindowCount(desktop.applications(), app));
            benchmark::DoNotOptimize(WindowCensus::otherSpaceWindowCount(desktop.windowServer(), spaces, pid));
            benchmark::DoNotOptimize(WindowCensus::onScreenWindowCount(desktop.windowServer(), pid));
        }
    }
}
BENCHMARK(BM_SweepRecount);

// A burst of 100 window changes from a watched application (50 windows opened and closed, which the
// application announces as 300 accessibility notifications, focus changes included) collapsing into
// the one recount after the delay: the observer's handling of each notification, the debounce, and
// the recount and decision.
void BM_SweepEventBurst(benchmark::State& state) {
    TemporaryFolder home("tarnlet-bench");
    {
        sim::SimDesktop desktop(home.path());
        Settings settings(desktop.defaults().standard(), desktop.defaults(), "Tarnlet");
        const int pid = populate(desktop);
        WindowSpaces spaces(desktop.windowServer());
        SweepEngine sweep(settings, SweepEngine::Services{desktop.workspace(), desktop.applications(),
                                                          desktop.windowServer(), spaces, desktop.queue(),
                                                          desktop.taskQueues(), sim::SimSystemFacts::kProcessIdentifier});
        sweep.activate();
        auto& apps = desktop.applications();
        for (auto _ : state) {
            std::vector<AXElement> opened;
            for (int i = 0; i < 50; ++i) opened.push_back(apps.addWindow(pid, {"Scratch", Rect(10, 10, 300, 200)}));
            for (const AXElement& w : opened) apps.closeWindow(w);
            desktop.advanceBy(2.5);
        }
        if (!desktop.workspace().runningApplication(pid)) state.SkipWithError("the application was quit");
    }
}
BENCHMARK(BM_SweepEventBurst);

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
