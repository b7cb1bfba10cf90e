#include "notch/BatteryIcon.h"

#include <algorithm>

#include "notch/DS.h"
#include "notch/NotchStates.h"

namespace tarnlet {

Drawing BatteryIcon::drawing(int percent, bool charging) {
    const int p = std::clamp(percent, 0, 100);
    const int critical = *std::min_element(std::begin(NotchStates::kBatteryChipThresholds),
                                           std::end(NotchStates::kBatteryChipThresholds));
    const Color color = charging ? DS::charging : p > critical ? Color::white() : DS::warning;

    Drawing d;
    d.size = {kWidth, kHeight};
    // The body's 1.4-point line is centred on a rectangle inset by 0.7, so it stays inside 25 × 14.
    d.ops.push_back(draw::StrokePath{[] {
        const Rect r = Rect(0, 0, 25, 14).insetBy(0.7, 0.7);
        const double rad = 3.5;
        Path path;
        path.moveTo({r.minX() + rad, r.minY()})
            .lineTo({r.maxX() - rad, r.minY()})
            .quadTo({r.maxX(), r.minY() + rad}, {r.maxX(), r.minY()})
            .lineTo({r.maxX(), r.maxY() - rad})
            .quadTo({r.maxX() - rad, r.maxY()}, {r.maxX(), r.maxY()})
            .lineTo({r.minX() + rad, r.maxY()})
            .quadTo({r.minX(), r.maxY() - rad}, {r.minX(), r.maxY()})
            .lineTo({r.minX(), r.minY() + rad})
            .quadTo({r.minX() + rad, r.minY()}, {r.minX(), r.minY()})
            .close();
        return path;
    }(), color, 1.4, 1});
    d.ops.push_back(draw::RoundedRect{Rect(26.4, 4, 1.6, 6), 0.8, color, std::nullopt, 0});
    const Rect level = Rect(0, 0, 25, 14).insetBy(3, 3);
    d.ops.push_back(draw::RoundedRect{Rect(level.minX(), level.minY(), std::max(level.width() * p / 100.0, 3.0), level.height()),
                                      1.5, color, std::nullopt, 0});
    if (charging) {
        Path bolt;
        bolt.moveTo({13.1, 12.4}).lineTo({10.1, 6.5}).lineTo({12.1, 6.5}).lineTo({11.7, 1.6}).lineTo({14.9, 8.1}).lineTo({12.9, 8.1}).close();
        d.ops.push_back(draw::FillPath{bolt, Color::black()});
    }
    return d;
}

Image BatteryIcon::image(int percent, bool charging) {
    return Image::drawn("battery " + std::to_string(std::clamp(percent, 0, 100)) + (charging ? " charging" : ""),
                        drawing(percent, charging));
}

}  // namespace tarnlet
