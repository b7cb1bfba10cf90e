#pragma once
// One tool's wiring: it builds the tool's objects on first use, connects their callbacks to the
// notch, notices and the menu, and answers the feature keys that belong to it. The application
// walks the registered tools in the order of the feature table and knows nothing else of them.
//
//     class ColorPickerTool : public Tool { ... };
//     TARNLET_REGISTER_TOOL(SettingsPane::colorPicker, ColorPickerTool)
//
// Main thread only. Callbacks a wiring unit installs hold it weakly.

#include <memory>
#include <vector>

#include "base/Feature.h"
#include "keys/FeatureChords.h"
#include "shared/NotchBarItem.h"
#include "settings/SettingsPane.h"

namespace tarnlet {

struct ToolContext;

class Tool {
public:
    explicit Tool(ToolContext& context) : m_context(context) {}
    virtual ~Tool() = default;
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // The tool's switchable object, built on first use.
    virtual Feature& feature() = 0;
    // The feature keys this tool answers; a key no tool answers is not live.
    virtual std::vector<FeatureChords::Key> featureKeys() const { return {}; }
    virtual void runFeatureKey(FeatureChords::Key) {}
    // Items the right-hand Command strip shows after Jump's letters while the tool runs.
    virtual std::vector<NotchBarItem> commandStripHints() { return {}; }

protected:
    ToolContext& context() { return m_context; }

private:
    ToolContext& m_context;
};

}  // namespace tarnlet
