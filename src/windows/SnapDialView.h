#pragma once
// The mouse dial's picture: a dark rounded square with eight ring segments, one per direction,
// the selected one lit in the accent colour and its place's icon enlarged in the middle.
// Main thread only.

#include <optional>

#include "platform/Panels.h"
#include "windows/SnapPosition.h"

namespace tarnlet {

class SnapDialView : public PanelContent {
public:
    static constexpr double kSide = 104;
    static constexpr double kSegmentHalfAngle = 19;  // degrees either side of a segment's centre
    static constexpr double kIconScale = 1.4;

    // The place of each ring segment, counter-clockwise from the right (0°, 45°, …, 315°).
    static SnapPosition segmentPosition(int index);

    const std::optional<SnapPosition>& selected() const { return m_selected; }
    // True when the selection changed (and the dial needs drawing again).
    bool setSelected(std::optional<SnapPosition> selected);

    Drawing drawing() const override;

private:
    std::optional<SnapPosition> m_selected;
};

}  // namespace tarnlet
