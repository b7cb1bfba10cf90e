#include "app/NotchPort.h"

#include "notch/NotchFeature.h"

namespace tarnlet {

NotchPort::NotchPort(Services services) : m_services(services) {}

NotchPort::~NotchPort() = default;

NotchFeature& NotchPort::feature() {
    if (!m_feature) {
        auto& s = m_services;
        m_feature = std::make_unique<NotchFeature>(s.settings, s.battery, s.stage, s.panels, s.screens, s.measurer, s.queue);
    }
    return *m_feature;
}

void NotchPort::showChip(const NotchContent& content) { feature().showChip(content, NotchFeature::kChipDuration); }
void NotchPort::showLiveChip(const NotchContent& content) { feature().showLiveChip(content); }
void NotchPort::dismissLiveChip() { feature().dismissLiveChip(); }
void NotchPort::setHintCaption(const std::string& caption) { feature().setHintCaption(caption); }
void NotchPort::pulse(const std::string& key) { feature().pulse(key); }
void NotchPort::showLeaderHints(const std::vector<NotchBarItem>& items, const std::string& caption) {
    feature().showLeaderHints(items, caption);
}
void NotchPort::dropLeaderHints() { feature().dropLeaderHints(); }
bool NotchPort::showSnapHints(std::vector<NotchBarItem> first, std::vector<NotchBarItem> second) {
    return feature().showSnapHints(std::move(first), std::move(second));
}
bool NotchPort::showSnapUnsupported() { return feature().showSnapUnsupported(); }

}  // namespace tarnlet
