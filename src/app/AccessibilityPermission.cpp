#include "app/AccessibilityPermission.h"

#include <algorithm>

#include "diagnostics/Log.h"
#include "platform/Permissions.h"
#include "platform/Workspace.h"

namespace tarnlet {

AccessibilityPermission::AccessibilityPermission(Permissions& permissions, MainQueue& queue, Workspace& workspace)
    : m_permissions(permissions), m_queue(queue), m_workspace(workspace),
      m_isGranted(permissions.isAccessibilityTrusted()) {}

void AccessibilityPermission::startMonitoring() {
    if (m_token.isActive()) return;
    m_token = m_permissions.observeAccessibilityChanges(m_weak.bind([this] { scheduleRechecks(); }));
}

void AccessibilityPermission::scheduleRechecks() {
    std::erase_if(m_rechecks, [](const WorkItem& item) { return !item.isPending(); });
    for (double delay : kRecheckDelays)
        m_rechecks.push_back(m_queue.postAfter(delay, m_weak.bind([this] { recheck(); })));
}

void AccessibilityPermission::recheck() { apply(m_permissions.isAccessibilityTrusted()); }

void AccessibilityPermission::requestAccess() { apply(m_permissions.requestAccessibilityTrust(true)); }

void AccessibilityPermission::promptOnce() {
    if (m_isGranted) return;
    requestAccess();
    if (!m_isGranted && !m_didOpenSettings) {
        m_didOpenSettings = true;
        m_workspace.openURL(kSettingsURL);
    }
}

void AccessibilityPermission::apply(bool granted) {
    if (granted == m_isGranted) return;
    m_isGranted = granted;
    Log::debug([&] { return std::string("Accessibility permission changed: ") + (granted ? "true" : "false"); });
    if (onChange) onChange(granted);
}

}  // namespace tarnlet
