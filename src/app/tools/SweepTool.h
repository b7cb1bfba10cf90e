#pragma once
// Sweep's wiring: the desktop lookups it counts with, the quit chip, and a count that failed for
// want of the permission sends the application to ask the system again.

#include <memory>

#include "app/tools/Tool.h"
#include "base/WeakToken.h"
#include "windows/SweepEngine.h"
#include "windows/WindowSpaces.h"

namespace tarnlet {

class SweepTool : public Tool {
public:
    explicit SweepTool(ToolContext& context);
    Feature& feature() override { return sweep(); }
    SweepEngine& sweep();

private:
    std::unique_ptr<WindowSpaces> m_spaces;
    std::unique_ptr<SweepEngine> m_sweep;
    WeakFactory m_weak;
};

}  // namespace tarnlet
