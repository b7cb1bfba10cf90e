#pragma once
// Turns a Drawing (the display list a view model produces) into pixels with Cairo, Pango and
// librsvg: PNG snapshots now, the pixels of real windows later. Text is laid out in exactly the
// fonts the PangoTextMeasurer measures with, so layouts computed from measurements line up.
//
//     auto status = CairoRenderer::renderPNG(drawing, 2.0, folder / "bar.png");
//     if (!status.ok()) log(status.error());
//
// The background is transparent. A drawing with no area, a scale that is not a positive number,
// or a pixel size beyond what Cairo can allocate is refused with a reason, never a crash; an op
// holding non-finite coordinates is skipped. Any thread (each thread has its own fonts).

#include <cstdint>
#include <filesystem>
#include <vector>

#include "base/Drawing.h"
#include "base/Result.h"

namespace tarnlet::host {

class CairoRenderer {
public:
    CairoRenderer() = delete;

    // The largest width or height in pixels a drawing may have.
    static constexpr int kLargestSide = 16384;

    // Renders at `scale` pixels per point and writes a PNG atomically: the file appears complete
    // or not at all, and a failed write leaves no temporary file behind.
    static Status renderPNG(const Drawing& drawing, double scale, const std::filesystem::path& file);

    // Renders at `scale` pixels per point into straight (not premultiplied) RGBA bytes, rows from
    // the top. Empty, with width and height 0, when the drawing is refused.
    static std::vector<std::uint8_t> renderRGBA(const Drawing& drawing, double scale, int& width, int& height);
};

}  // namespace tarnlet::host
