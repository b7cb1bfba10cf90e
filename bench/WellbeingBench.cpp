// The cost of the wellbeing tools' visible work on the main thread: laying out the break card with
// its wrapped texts measured by Pango, one countdown second of a break covering two displays, and
// rebuilding the menu-bar menu as it opens with a session running.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "platform/TemporaryFolder.h"
#include "platform/host/PangoTextMeasurer.h"
#include "platform/sim/SimDesktop.h"
#include "ui/StatusMenuController.h"
#include "wellbeing/BreakCard.h"
#include "wellbeing/BreakOverlay.h"

namespace tarnlet {
namespace {

// A card for the longest prompt, from the texts to every frame (the measurer keeps its fonts).
void BM_BreakCardLayout(benchmark::State& state) {
    host::PangoTextMeasurer measurer;
    const auto& copy = BreakOverlay::prompts()[1];
    for (auto _ : state) {
        BreakCard card(copy.title, copy.body, "00:00", measurer);
        benchmark::DoNotOptimize(card.height());
    }
}
BENCHMARK(BM_BreakCardLayout)->Unit(benchmark::kMicrosecond);

// One second of a break on two displays: both countdowns and all four pills updated.
void BM_BreakTickTwoDisplays(benchmark::State& state) {
    TemporaryFolder home("tarnlet-bench");
    sim::SimDesktop desktop(home.path());
    desktop.screens().setScreens({sim::SimScreens::laptopPanel(1512, 982, true),
                                  sim::SimScreens::externalDisplay(2560, 1440, 1512, 2)});
    desktop.runUntilIdle();
    auto& p = desktop.platform();
    BreakOverlay overlay(p.mainQueue, p.screens, p.panels, p.eventTaps, p.mouse, p.textMeasurer);
    overlay.show(1000000, BreakOverlay::prompts()[0], 5.0, [](BreakOutcome) {});
    desktop.advanceBy(1);
    for (auto _ : state) overlay.tick();
    overlay.dismiss();
}
BENCHMARK(BM_BreakTickTwoDisplays)->Unit(benchmark::kMicrosecond);

// The menu as a left click opens it: a running session with its description in the locale's time.
void BM_StatusMenuRebuild(benchmark::State& state) {
    TemporaryFolder home("tarnlet-bench");
    sim::SimDesktop desktop(home.path());
    auto& p = desktop.platform();
    StatusMenuController menu(p.mainQueue, p.alerts, p.workspace, p.systemFacts);
    menu.awakeSession = [&] {
        return std::optional<StatusMenuController::AwakeSession>({p.mainQueue.wallNow() + 2700, "an external drive is mounted"});
    };
    menu.awakeDuration = [] { return 45; };
    menu.allowsDisplaySleep = [] { return false; };
    for (auto _ : state) {
        menu.menuNeedsUpdate();
        benchmark::DoNotOptimize(menu.menu().size());
    }
}
BENCHMARK(BM_StatusMenuRebuild)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarnlet
