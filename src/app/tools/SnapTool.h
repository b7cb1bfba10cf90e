#pragma once
// Snap's wiring: its shortcuts pulse their hint, and holding its chord shows the snap hints (or
// the notice over a window it cannot place) until the chord is released.

#include <memory>

#include "app/tools/Tool.h"
#include "base/WeakToken.h"
#include "windows/SnapFeature.h"

namespace tarnlet {

class SnapTool : public Tool {
public:
    explicit SnapTool(ToolContext& context);
    Feature& feature() override { return snap(); }
    SnapFeature& snap();

private:
    void chordHeld(bool supported);

    std::unique_ptr<SnapFeature> m_snap;
    bool m_hintsShown = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
