#include "windows/SnapIcon.h"

#include <string>

namespace tarnlet {

namespace {

constexpr double kInset = 3;

// A triangle pointing left or right, for the display moves.
Path arrow(const Rect& box, bool right) {
    const double tip = right ? box.maxX() : box.minX();
    const double back = right ? box.minX() : box.maxX();
    return Path().moveTo({tip, box.midY()}).lineTo({back, box.maxY()}).lineTo({back, box.minY()}).close();
}

}  // namespace

Drawing SnapIcon::drawing(SnapPosition position) {
    Drawing d;
    d.size = kSize;
    const Color ink = Color::white();
    d.ops.push_back(draw::RoundedRect{Rect(0.75, 0.75, kSize.width - 1.5, kSize.height - 1.5), 2.5, std::nullopt, ink, 1.5});
    const Rect inner(kInset, kInset, kSize.width - 2 * kInset, kSize.height - 2 * kInset);
    const auto toInner = [&](const Rect& unit) {
        return Rect(inner.minX() + unit.minX() * inner.width(), inner.minY() + unit.minY() * inner.height(),
                    unit.width() * inner.width(), unit.height() * inner.height());
    };
    const Rect unit(0, 0, 1, 1);
    switch (position) {
        case SnapPosition::restore:
            // The window at its own size again: an outline in the middle.
            d.ops.push_back(draw::RoundedRect{toInner(Rect(0.25, 0.2, 0.5, 0.6)), 1, std::nullopt, ink, 1});
            break;
        case SnapPosition::nextDisplay:
        case SnapPosition::previousDisplay:
            d.ops.push_back(draw::FillPath{arrow(toInner(Rect(0.3, 0.15, 0.4, 0.7)), position == SnapPosition::nextDisplay), ink});
            break;
        default:
            // The centred place keeps the window's size; half the screen stands for it here.
            if (auto frame = SnapPositions::frame(position, unit, Size{0.5, 0.6}))
                d.ops.push_back(draw::RoundedRect{toInner(*frame), 1, ink, std::nullopt, 0});
            break;
    }
    return d;
}

Image SnapIcon::image(SnapPosition position) {
    return Image::drawn("snap." + std::string(SnapPositions::name(position)), drawing(position));
}

}  // namespace tarnlet
