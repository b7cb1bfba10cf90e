#pragma once
// Turns the core's drawings and images into Qt pixels through the Cairo renderer, so a window or an
// icon shows exactly the pixels of a PNG snapshot of the same drawing.
//
//     QImage pixels = QtImages::render(content.drawing(), window.devicePixelRatioF());
//     tray.setIcon(QtImages::templateIcon(MenuBarIcon::image(false, facts.words()), palette.color(QPalette::WindowText)));
//
// Main thread only (Qt's pixmaps belong to the GUI thread).

#include <QColor>
#include <QIcon>
#include <QImage>

#include "base/Drawing.h"
#include "base/Image.h"

namespace tarnlet::linux_desktop {

class QtImages {
public:
    QtImages() = delete;

    // The pixel sides a tray or menu icon is commonly asked for.
    static constexpr int kIconSides[] = {16, 22, 24, 32, 48, 64};

    // The drawing at `scale` pixels per point, its pixel ratio set to the scale so that it paints at
    // its size in points. A null image when the renderer refuses the drawing.
    static QImage render(const Drawing& drawing, double scale);

    // A template image: only its coverage counts, and it is drawn in `tint`, as the platform tints
    // template images to suit the bar. Square icons fit the image in the common sides, centred.
    static QIcon templateIcon(const Image& image, const QColor& tint);
    // The same at the image's own size in points (menu items), at 1× and 2×.
    static QIcon templateIconAtNaturalSize(const Image& image, const QColor& tint);

    // The drawing an image stands for: its own, or its symbol in a box of `side` points.
    static Drawing drawingOf(const Image& image, double side = 16);
};

}  // namespace tarnlet::linux_desktop
