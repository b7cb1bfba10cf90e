#include "platform/sim/SimPermissions.h"

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

bool SimPermissions::requestAccessibilityTrust(bool prompt) {
    if (prompt && !m_accessibility) ++m_promptCount;
    return m_accessibility;
}

Subscription SimPermissions::observeAccessibilityChanges(std::function<void()> onChange) {
    return m_accessibilityObservers.add(std::move(onChange));
}

AutomationStatus SimPermissions::determineAutomation(const std::string& bundleID, bool askUserIfNeeded) {
    auto it = m_automation.find(bundleID);
    AutomationStatus status = it == m_automation.end() ? AutomationStatus::notDetermined : it->second;
    if (status == AutomationStatus::notDetermined && askUserIfNeeded) {
        status = m_automationAnswer;
        m_automation[bundleID] = status;
    }
    return status;
}

void SimPermissions::changeAccessibility(bool granted, double lag) {
    m_queue.post([this] { m_accessibilityObservers.notify(); });
    m_pendingGrants.push_back(m_queue.postAfter(lag, [this, granted] { m_accessibility = granted; }));
}

}  // namespace tarnlet::sim
