#pragma once
// Reads rendered pixels back in the drawing's own terms: pixel rows from the top, as Cairo stores
// them, but looked up by point coordinates with y up.

#include <cstdint>
#include <vector>

#include "platform/host/CairoRenderer.h"

namespace tarnlet::test {

struct Pixel {
    int r = 0, g = 0, b = 0, a = 0;
};

struct Image {
    std::vector<std::uint8_t> rgba;
    int width = 0;
    int height = 0;

    static Image of(const Drawing& drawing, double scale = 1) {
        Image image;
        image.rgba = host::CairoRenderer::renderRGBA(drawing, scale, image.width, image.height);
        return image;
    }

    // The pixel at column x, row y counted from the top.
    Pixel at(int x, int y) const {
        const std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    // The pixel at column x, row y counted from the bottom (the drawing's upward y).
    Pixel fromBottom(int x, int y) const { return at(x, height - 1 - y); }

    // How many pixels in the rectangle of columns [x0, x1) and top-down rows [y0, y1) are not
    // fully transparent.
    int inkIn(int x0, int y0, int x1, int y1) const {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (at(x, y).a > 0) ++count;
        return count;
    }
    int ink() const { return inkIn(0, 0, width, height); }
};

inline Path rectPath(double x, double y, double w, double h) {
    Path p;
    p.moveTo({x, y}).lineTo({x + w, y}).lineTo({x + w, y + h}).lineTo({x, y + h}).close();
    return p;
}

}  // namespace tarnlet::test
