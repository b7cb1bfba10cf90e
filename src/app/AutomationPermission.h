#pragma once
// Permission to automate the file manager (the shelf takes the files selected there). The system
// may ask the user and block meanwhile, so the query runs on a background queue and the answer
// comes back on the main queue. Main thread only.

#include <functional>
#include <memory>

#include "base/WeakToken.h"
#include "platform/Permissions.h"

namespace tarnlet {

class SerialQueue;
class TaskQueues;
class Workspace;

class AutomationPermission {
public:
    static constexpr const char* kFileManagerBundleID = "com.apple.finder";
    static constexpr const char* kSettingsURL =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Automation";

    AutomationPermission(Permissions& permissions, TaskQueues& queues, Workspace& workspace);
    ~AutomationPermission();

    // Asks (the user when needed); completion runs on the main queue unless this object died.
    void request(std::function<void(AutomationStatus)> completion);
    void openSystemSettings();

private:
    Permissions& m_permissions;
    Workspace& m_workspace;
    std::unique_ptr<SerialQueue> m_queue;
    WeakFactory m_weak;
};

}  // namespace tarnlet
