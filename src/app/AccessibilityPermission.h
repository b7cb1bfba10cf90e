#pragma once
// Tracks the accessibility grant while the process runs. The system broadcasts a change for any
// process and updates the grant some time afterwards, so each broadcast schedules three re-checks
// (0.3, 1.5 and 4.0 s later); onChange runs only when the grant really changed. A granted
// permission is never assumed: every re-check asks the system again. Main thread only.

#include <functional>
#include <vector>

#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/MainQueue.h"

namespace tarnlet {

class Permissions;
class Workspace;

class AccessibilityPermission {
public:
    static constexpr const char* kSettingsURL =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
    static constexpr double kRecheckDelays[] = {0.3, 1.5, 4.0};

    AccessibilityPermission(Permissions& permissions, MainQueue& queue, Workspace& workspace);

    std::function<void(bool granted)> onChange;

    bool isGranted() const { return m_isGranted; }
    bool didOpenSettings() const { return m_didOpenSettings; }
    bool isMonitoring() const { return m_token.isActive(); }

    void startMonitoring();
    void scheduleRechecks();
    // Asks the system with its consent prompt; applies the answer as a re-check does.
    void requestAccess();
    // Prompts when not granted, and opens the settings page once per process if that did not help.
    void promptOnce();
    // Applies a grant read elsewhere (a feature that saw an accessibility call fail).
    void apply(bool granted);

private:
    void recheck();

    Permissions& m_permissions;
    MainQueue& m_queue;
    Workspace& m_workspace;
    bool m_isGranted;
    Subscription m_token;
    bool m_didOpenSettings = false;
    std::vector<WorkItem> m_rechecks;
    WeakFactory m_weak;
};

}  // namespace tarnlet
