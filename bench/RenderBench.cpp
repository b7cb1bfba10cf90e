// How long text measurement and a notch-bar-sized render take: the measurer runs for every item of
// every chip layout, and the renderer for every snapshot.

#include <benchmark/benchmark.h>

#include "platform/host/CairoRenderer.h"
#include "platform/host/PangoTextMeasurer.h"

namespace tarnlet {
namespace {

void BM_MeasureCaption(benchmark::State& state) {
    host::PangoTextMeasurer measurer;
    const Font caption{FontRole::system, 11, false};
    for (auto _ : state) benchmark::DoNotOptimize(measurer.measure("press a key to jump", caption));
}
BENCHMARK(BM_MeasureCaption);

Drawing hintBar() {
    // A bar with a notch-shaped black outline, eight keycaps and a caption, like the hint strip.
    Drawing d{{400, 46}, {}};
    Path outline;
    outline.moveTo({0, 46}).quadTo({16, 30}, {16, 46}).lineTo({16, 16}).quadTo({32, 0}, {16, 0}).lineTo({368, 0});
    outline.quadTo({384, 16}, {384, 0}).lineTo({384, 30}).quadTo({400, 46}, {384, 46}).close();
    d.ops.push_back(draw::FillPath{outline, Color::black()});
    const Font keycap{FontRole::monospaced, 11, true};
    for (int i = 0; i < 8; ++i) {
        const double x = 24 + i * 31 + (i >= 4 ? 100 : 0);
        d.ops.push_back(draw::RoundedRect{Rect(x, 18, 20, 20), 5, Color::rgb255(43, 45, 52), Color::white(0.14), 1});
        d.ops.push_back(draw::Text{std::string(1, static_cast<char>('A' + i)), keycap, Color::white(),
                                   Rect(x + 6.5, 21, 7, 14)});
    }
    d.ops.push_back(draw::Text{"press a key to jump", Font{FontRole::system, 11, false}, Color::white(0.62),
                               Rect(148, 1, 104, 13)});
    return d;
}

void BM_RenderHintBarAt2x(benchmark::State& state) {
    const Drawing drawing = hintBar();
    int width = 0, height = 0;
    for (auto _ : state) benchmark::DoNotOptimize(host::CairoRenderer::renderRGBA(drawing, 2, width, height));
    state.counters["pixels"] = width * height;
}
BENCHMARK(BM_RenderHintBarAt2x);

}  // namespace
}  // namespace tarnlet
