#pragma once
// Breaks' wiring: the pre-warning, the countdown in the live chip and the done chip at the notch;
// the feature key switches breaks on and off; and whether the break screen is up, which the
// shelf asks before it opens.

#include <memory>

#include "app/tools/Tool.h"
#include "base/WeakToken.h"
#include "wellbeing/BreaksFeature.h"

namespace tarnlet {

class BreaksTool : public Tool {
public:
    explicit BreaksTool(ToolContext& context) : Tool(context) {}
    Feature& feature() override { return breaks(); }
    std::vector<FeatureChords::Key> featureKeys() const override { return {FeatureChords::Key::breaks}; }
    void runFeatureKey(FeatureChords::Key key) override;
    BreaksFeature& breaks();
    bool breakScreenVisible() const { return m_breakScreenVisible; }

private:
    std::unique_ptr<BreaksFeature> m_breaks;
    bool m_breakScreenVisible = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
