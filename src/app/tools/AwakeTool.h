#pragma once
// Keep-awake's wiring: session chips at the notch, its transient notices, the feature key's quick
// session, and the menu-bar menu's session item, duration submenu and display-sleep switch.

#include <memory>

#include "app/tools/Tool.h"
#include "base/WeakToken.h"
#include "wellbeing/AwakeFeature.h"

namespace tarnlet {

class AwakeTool : public Tool {
public:
    explicit AwakeTool(ToolContext& context);
    Feature& feature() override { return awake(); }
    std::vector<FeatureChords::Key> featureKeys() const override { return {FeatureChords::Key::awake}; }
    void runFeatureKey(FeatureChords::Key key) override;
    AwakeFeature& awake();

private:
    std::unique_ptr<AwakeFeature> m_awake;
    WeakFactory m_weak;
};

}  // namespace tarnlet
