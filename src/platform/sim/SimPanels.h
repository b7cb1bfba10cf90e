#pragma once
// The simulated window server's floating panels: what is on screen, with its frame, level and
// content, in the order shown.

#include <functional>
#include <memory>
#include <vector>

#include "platform/Panels.h"

namespace tarnlet::sim {

class SimPanels : public Panels {
public:
    struct Record {
        std::shared_ptr<PanelContent> content;
        Rect frame;
        PanelOptions options;
        bool onScreen = true;
    };

    std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) override;

    // The panels on screen now, oldest first.
    std::vector<std::shared_ptr<const Record>> onScreen() const;
    std::size_t shownCount() const { return m_shownCount; }

    std::function<void(const Record&)> onShow;
    std::function<void(const Record&)> onRemove;

private:
    std::vector<std::shared_ptr<Record>> m_records;
    std::size_t m_shownCount = 0;
};

}  // namespace tarnlet::sim
