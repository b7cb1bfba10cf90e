#include "ui/MenuBarIcon.h"

namespace tarnlet {

namespace {

constexpr double kLine = 1.3;

// The cup's body: straight sides narrowing a little towards a rounded foot, open at the top.
Path cupBody() {
    Path path;
    path.moveTo({1.8, 10.2})
        .lineTo({11.2, 10.2})
        .lineTo({10.4, 4.6})
        .quadTo({8.4, 2.6}, {10.1, 2.6})
        .lineTo({4.6, 2.6})
        .quadTo({2.6, 4.6}, {2.9, 2.6})
        .close();
    return path;
}

Path handle() {
    Path path;
    path.moveTo({11.0, 9.0}).quadTo({10.5, 5.4}, {14.6, 8.4});
    return path;
}

Path saucer() {
    Path path;
    path.moveTo({0.8, 1.0}).lineTo({13.2, 1.0});
    return path;
}

// Two short wisps above the rim.
Path steam(double x) {
    Path path;
    path.moveTo({x, 11.2}).quadTo({x, 13.8}, {x + 1.3, 12.5});
    return path;
}

}  // namespace

Drawing MenuBarIcon::drawing(bool awakeActive) {
    Drawing d;
    d.size = kSize;
    const Color ink = Color::black();
    if (awakeActive) d.ops.push_back(draw::FillPath{cupBody(), ink});
    d.ops.push_back(draw::StrokePath{cupBody(), ink, kLine});
    d.ops.push_back(draw::StrokePath{handle(), ink, kLine});
    d.ops.push_back(draw::StrokePath{saucer(), ink, kLine});
    if (awakeActive) {
        d.ops.push_back(draw::StrokePath{steam(4.6), ink, 1.0});
        d.ops.push_back(draw::StrokePath{steam(7.6), ink, 1.0});
    }
    return d;
}

Image MenuBarIcon::image(bool awakeActive, const DesktopWords& words) {
    Image image = Image::drawn(awakeActive ? kActiveName : kName, drawing(awakeActive));
    image.accessibilityDescription = awakeActive ? "Tarnlet — keeping this " + words.computer + " awake" : "Tarnlet";
    return image;
}

}  // namespace tarnlet
