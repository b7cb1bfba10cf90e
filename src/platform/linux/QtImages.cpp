#include "platform/linux/QtImages.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/host/CairoRenderer.h"

namespace tarnlet::linux_desktop {

namespace {

// Keeps each pixel's coverage and replaces its colour, as a template image is shown.
void tintInPlace(QImage& image, const QColor& tint) {
    const int red = tint.red(), green = tint.green(), blue = tint.blue();
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            pixel[0] = static_cast<uchar>(red);
            pixel[1] = static_cast<uchar>(green);
            pixel[2] = static_cast<uchar>(blue);
            pixel[3] = static_cast<uchar>(pixel[3] * tint.alpha() / 255);
        }
    }
}

QImage renderStraight(const Drawing& drawing, double scale) {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba = host::CairoRenderer::renderRGBA(drawing, scale, width, height);
    if (rgba.empty() || width <= 0 || height <= 0) return {};
    // The bytes are copied: the vector dies here.
    QImage image(rgba.data(), width, height, width * 4, QImage::Format_RGBA8888);
    return image.copy();
}

}  // namespace

QImage QtImages::render(const Drawing& drawing, double scale) {
    QImage image = renderStraight(drawing, scale);
    if (!image.isNull()) image.setDevicePixelRatio(scale);
    return image;
}

Drawing QtImages::drawingOf(const Image& image, double side) {
    if (image.drawing) return *image.drawing;
    Drawing drawing;
    drawing.size = Size{side, side};
    drawing.ops.push_back(draw::Symbol{image.name, Rect(0, 0, side, side), Color::black()});
    return drawing;
}

QIcon QtImages::templateIcon(const Image& image, const QColor& tint) {
    const Drawing drawing = drawingOf(image);
    QIcon icon;
    if (!(drawing.size.width > 0) || !(drawing.size.height > 0)) return icon;
    for (const int side : kIconSides) {
        // A little margin, as the bar's own icons have, so the picture never touches the edges.
        const double fit = side * 0.85;
        const double scale = std::min(fit / drawing.size.width, fit / drawing.size.height);
        QImage pixels = renderStraight(drawing, scale);
        if (pixels.isNull()) continue;
        tintInPlace(pixels, tint);
        QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::transparent);
        QPainter painter(&square);
        painter.drawImage(QPoint((side - pixels.width()) / 2, (side - pixels.height()) / 2), pixels);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(square));
    }
    return icon;
}

QIcon QtImages::templateIconAtNaturalSize(const Image& image, const QColor& tint) {
    const Drawing drawing = drawingOf(image);
    QIcon icon;
    for (const double scale : {1.0, 2.0}) {
        QImage pixels = renderStraight(drawing, scale);
        if (pixels.isNull()) continue;
        tintInPlace(pixels, tint);
        QPixmap pixmap = QPixmap::fromImage(pixels);
        pixmap.setDevicePixelRatio(scale);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace tarnlet::linux_desktop
