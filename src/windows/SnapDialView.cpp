#include "windows/SnapDialView.h"

#include <array>
#include <cmath>
#include <numbers>

#include "windows/FootprintWindow.h"
#include "windows/SnapIcon.h"

namespace tarnlet {

namespace {

constexpr double kDegrees = std::numbers::pi / 180;

Point polar(Point centre, double radius, double degrees) {
    return {centre.x + radius * std::cos(degrees * kDegrees), centre.y + radius * std::sin(degrees * kDegrees)};
}

// An arc as quadratic pieces of at most 10°, close enough to a circle at this size.
void arc(Path& path, Point centre, double radius, double from, double to) {
    const int pieces = static_cast<int>(std::ceil(std::abs(to - from) / 10));
    const double step = (to - from) / pieces;
    for (int i = 1; i <= pieces; ++i) {
        const double end = from + step * i;
        const double mid = end - step / 2;
        const Point control = polar(centre, radius / std::cos(step / 2 * kDegrees), mid);
        path.quadTo(polar(centre, radius, end), control);
    }
}

Path segment(Point centre, double outer, double inner, double angle, double halfAngle) {
    Path path;
    path.moveTo(polar(centre, outer, angle - halfAngle));
    arc(path, centre, outer, angle - halfAngle, angle + halfAngle);
    path.lineTo(polar(centre, inner, angle + halfAngle));
    arc(path, centre, inner, angle + halfAngle, angle - halfAngle);
    path.close();
    return path;
}

}  // namespace

SnapPosition SnapDialView::segmentPosition(int index) {
    static constexpr std::array<SnapPosition, 8> order = {
        SnapPosition::rightHalf, SnapPosition::topRight,   SnapPosition::topHalf,    SnapPosition::topLeft,
        SnapPosition::leftHalf,  SnapPosition::bottomLeft, SnapPosition::bottomHalf, SnapPosition::bottomRight,
    };
    return order[static_cast<std::size_t>(index) % order.size()];
}

bool SnapDialView::setSelected(std::optional<SnapPosition> selected) {
    if (selected == m_selected) return false;
    m_selected = selected;
    return true;
}

Drawing SnapDialView::drawing() const {
    Drawing d;
    d.size = {kSide, kSide};
    const Rect bounds(0, 0, kSide, kSide);
    d.ops.push_back(draw::RoundedRect{bounds.insetBy(2, 2), 22, Color::black(0.55), std::nullopt, 0});
    d.ops.push_back(draw::RoundedRect{bounds.insetBy(2.5, 2.5), 21.5, std::nullopt, Color::white(0.12), 1});

    const Point centre{kSide / 2, kSide / 2};
    const double outer = kSide / 2 - 9, inner = kSide / 2 - 24;
    for (int i = 0; i < 8; ++i) {
        const bool lit = m_selected == segmentPosition(i);
        d.ops.push_back(draw::FillPath{segment(centre, outer, inner, 45.0 * i, kSegmentHalfAngle),
                                       lit ? FootprintWindow::kAccent : Color::white(0.14)});
    }
    if (m_selected) {
        const Size icon{SnapIcon::kSize.width * kIconScale, SnapIcon::kSize.height * kIconScale};
        d.append(SnapIcon::drawing(*m_selected), {centre.x - icon.width / 2, centre.y - icon.height / 2}, kIconScale);
    }
    return d;
}

}  // namespace tarnlet
