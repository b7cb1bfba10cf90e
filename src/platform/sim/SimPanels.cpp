#include "platform/sim/SimPanels.h"

#include <algorithm>

namespace tarnlet::sim {

namespace {

class SimPanel : public Panel {
public:
    SimPanel(std::shared_ptr<SimPanels::Record> record, SimPanels& panels) : m_record(std::move(record)), m_panels(&panels) {}
    ~SimPanel() override { remove(); }

    void replace(std::shared_ptr<PanelContent> content, Rect frame) override {
        m_record->content = std::move(content);
        m_record->frame = frame;
    }
    void remove() override {
        if (!m_record->onScreen) return;
        m_record->onScreen = false;
        if (m_panels->onRemove) m_panels->onRemove(*m_record);
    }
    bool isOnScreen() const override { return m_record->onScreen; }

private:
    std::shared_ptr<SimPanels::Record> m_record;
    SimPanels* m_panels;
};

}  // namespace

std::unique_ptr<Panel> SimPanels::show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) {
    std::erase_if(m_records, [](const auto& r) { return !r->onScreen; });
    auto record = std::make_shared<Record>(Record{std::move(content), frame, options, true});
    m_records.push_back(record);
    ++m_shownCount;
    if (onShow) onShow(*record);
    return std::make_unique<SimPanel>(record, *this);
}

std::vector<std::shared_ptr<const SimPanels::Record>> SimPanels::onScreen() const {
    std::vector<std::shared_ptr<const Record>> out;
    for (const auto& r : m_records)
        if (r->onScreen) out.push_back(r);
    return out;
}

}  // namespace tarnlet::sim
