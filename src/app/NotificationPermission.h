#pragma once
// Permission to show user notices. Answers arrive on the main queue. Main thread only.

#include <functional>

#include "base/WeakToken.h"

namespace tarnlet {

class MainQueue;
class Notices;
class Workspace;

class NotificationPermission {
public:
    enum class Status { granted, denied, notDetermined };
    static constexpr const char* kSettingsURL = "x-apple.systempreferences:com.apple.preference.notifications";

    NotificationPermission(Notices& notices, MainQueue& queue, Workspace& workspace)
        : m_notices(notices), m_queue(queue), m_workspace(workspace) {}

    void status(std::function<void(Status)> completion);
    void request(std::function<void(bool granted)> completion);
    void openSystemSettings();

private:
    Notices& m_notices;
    MainQueue& m_queue;
    Workspace& m_workspace;
    WeakFactory m_weak;
};

}  // namespace tarnlet
