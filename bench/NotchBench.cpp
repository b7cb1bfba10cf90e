// The cost of a hint strip: laying out eight items with a caption (text measured by Pango), and
// rendering the bar at twice its size with Cairo.

#include <benchmark/benchmark.h>

#include "notch/NotchBarView.h"
#include "notch/NotchStates.h"
#include "platform/TemporaryFolder.h"
#include "platform/host/CairoRenderer.h"
#include "platform/host/PangoTextMeasurer.h"
#include "platform/sim/SimMainQueue.h"

namespace {

using namespace tarnlet;

std::vector<NotchBarItem> eightHints() {
    const char* symbols[] = {"cup.and.saucer", "circle.lefthalf.filled", "tray.full", "eye",
                             "text.viewfinder", "doc.on.clipboard", "1.square", "2.square"};
    const char* letters[] = {"A", "F", "S", "B", "T", "C", "1", "2"};
    std::vector<NotchBarItem> items;
    for (int i = 0; i < 8; ++i) {
        NotchBarItem item;
        item.icon = Image::symbol(symbols[i]);
        item.badge = letters[i];
        items.push_back(item);
    }
    return items;
}

void BM_LayoutHintStrip(benchmark::State& state) {
    host::PangoTextMeasurer measurer;
    sim::SimMainQueue queue(0);
    const auto content = NotchStates::leaderHints(eightHints(), std::string("features"));
    for (auto _ : state) {
        NotchBarView bar(content, {200, 32}, NotchBarView::kDrop, measurer, queue, true);
        benchmark::DoNotOptimize(bar.size());
    }
}
BENCHMARK(BM_LayoutHintStrip);

void BM_RenderHintStripAt2x(benchmark::State& state) {
    host::PangoTextMeasurer measurer;
    sim::SimMainQueue queue(0);
    NotchBarView bar(NotchStates::leaderHints(eightHints(), std::string("features")), {200, 32}, NotchBarView::kDrop,
                     measurer, queue, true);
    bar.showStatic();
    const Drawing drawing = bar.drawing();
    for (auto _ : state) {
        int width = 0, height = 0;
        auto pixels = host::CairoRenderer::renderRGBA(drawing, 2, width, height);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_RenderHintStripAt2x);

}  // namespace
