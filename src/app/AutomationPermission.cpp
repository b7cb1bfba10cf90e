#include "app/AutomationPermission.h"

#include "platform/TaskQueue.h"
#include "platform/Workspace.h"

namespace tarnlet {

AutomationPermission::AutomationPermission(Permissions& permissions, TaskQueues& queues, Workspace& workspace)
    : m_permissions(permissions), m_workspace(workspace), m_queue(queues.makeSerialQueue("automation-permission")) {}

AutomationPermission::~AutomationPermission() = default;

void AutomationPermission::request(std::function<void(AutomationStatus)> completion) {
    Permissions* permissions = &m_permissions;
    m_queue->postTaskAndReply<AutomationStatus>(
        m_weak.token(),
        [permissions] { return permissions->determineAutomation(kFileManagerBundleID, true); },
        [completion = std::move(completion)](AutomationStatus status) {
            if (completion) completion(status);
        });
}

void AutomationPermission::openSystemSettings() { m_workspace.openURL(kSettingsURL); }

}  // namespace tarnlet
