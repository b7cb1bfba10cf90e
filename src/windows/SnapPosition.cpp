#include "windows/SnapPosition.h"

#include <algorithm>

namespace tarnlet {

namespace {

struct Entry {
    SnapPosition position;
    std::string_view name;
};

// Indexed by the enumeration's value; the order is the stored order.
constexpr std::array<Entry, 18> kEntries{{
    {SnapPosition::leftHalf, "leftHalf"},
    {SnapPosition::rightHalf, "rightHalf"},
    {SnapPosition::topHalf, "topHalf"},
    {SnapPosition::bottomHalf, "bottomHalf"},
    {SnapPosition::topLeft, "topLeft"},
    {SnapPosition::topRight, "topRight"},
    {SnapPosition::bottomLeft, "bottomLeft"},
    {SnapPosition::bottomRight, "bottomRight"},
    {SnapPosition::leftThird, "leftThird"},
    {SnapPosition::centerThird, "centerThird"},
    {SnapPosition::rightThird, "rightThird"},
    {SnapPosition::leftTwoThirds, "leftTwoThirds"},
    {SnapPosition::rightTwoThirds, "rightTwoThirds"},
    {SnapPosition::maximize, "maximize"},
    {SnapPosition::center, "center"},
    {SnapPosition::restore, "restore"},
    {SnapPosition::nextDisplay, "nextDisplay"},
    {SnapPosition::previousDisplay, "previousDisplay"},
}};

}  // namespace

const std::array<SnapPosition, 18>& SnapPositions::all() {
    static const std::array<SnapPosition, 18> positions = [] {
        std::array<SnapPosition, 18> result{};
        for (std::size_t i = 0; i < kEntries.size(); ++i) result[i] = kEntries[i].position;
        return result;
    }();
    return positions;
}

std::string_view SnapPositions::name(SnapPosition position) {
    const auto index = static_cast<std::size_t>(position);
    return index < kEntries.size() ? kEntries[index].name : std::string_view("unknown");
}

std::optional<SnapPosition> SnapPositions::fromName(std::string_view name) {
    const auto it = std::find_if(kEntries.begin(), kEntries.end(), [&](const Entry& e) { return e.name == name; });
    if (it == kEntries.end()) return std::nullopt;
    return it->position;
}

std::optional<Rect> SnapPositions::frame(SnapPosition position, const Rect& v, Size windowSize) {
    const double w = v.width();
    const double h = v.height();
    // One third is computed once and doubled, so a third and the two thirds beside it meet on the
    // very same coordinate and no pixel column is left between them.
    const double third = w / 3;
    switch (position) {
        case SnapPosition::leftHalf: return Rect(v.minX(), v.minY(), w / 2, h);
        case SnapPosition::rightHalf: return Rect(v.midX(), v.minY(), w / 2, h);
        case SnapPosition::topHalf: return Rect(v.minX(), v.midY(), w, h / 2);
        case SnapPosition::bottomHalf: return Rect(v.minX(), v.minY(), w, h / 2);
        case SnapPosition::topLeft: return Rect(v.minX(), v.midY(), w / 2, h / 2);
        case SnapPosition::topRight: return Rect(v.midX(), v.midY(), w / 2, h / 2);
        case SnapPosition::bottomLeft: return Rect(v.minX(), v.minY(), w / 2, h / 2);
        case SnapPosition::bottomRight: return Rect(v.midX(), v.minY(), w / 2, h / 2);
        case SnapPosition::leftThird: return Rect(v.minX(), v.minY(), third, h);
        case SnapPosition::centerThird: return Rect(v.minX() + third, v.minY(), third, h);
        case SnapPosition::rightThird: return Rect(v.minX() + 2 * third, v.minY(), third, h);
        case SnapPosition::leftTwoThirds: return Rect(v.minX(), v.minY(), 2 * third, h);
        case SnapPosition::rightTwoThirds: return Rect(v.minX() + third, v.minY(), 2 * third, h);
        case SnapPosition::maximize: return v;
        case SnapPosition::center: {
            const double cw = std::min(w, windowSize.width);
            const double ch = std::min(h, windowSize.height);
            return Rect(v.midX() - cw / 2, v.midY() - ch / 2, cw, ch);
        }
        case SnapPosition::restore:
        case SnapPosition::nextDisplay:
        case SnapPosition::previousDisplay: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace tarnlet
