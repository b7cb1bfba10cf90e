#pragma once
// Clipboard's wiring: the feature key opens the picker, drawn in the system appearance.

#include <memory>

#include "app/tools/Tool.h"
#include "clipboard/ClipboardFeature.h"

namespace tarnlet {

class ClipboardTool : public Tool {
public:
    explicit ClipboardTool(ToolContext& context) : Tool(context) {}
    Feature& feature() override { return clipboard(); }
    std::vector<FeatureChords::Key> featureKeys() const override { return {FeatureChords::Key::clipboard}; }
    void runFeatureKey(FeatureChords::Key key) override;
    ClipboardFeature& clipboard();

private:
    std::unique_ptr<ClipboardFeature> m_clipboard;
};

}  // namespace tarnlet
