#pragma once
// Stand-ins for the session services this backend does not drive yet, each answering as a desktop
// without the service would: no volumes, no haptics, and every permission granted (X11 has no
// consent system). Main thread only.

#include "platform/Haptics.h"
#include "platform/Permissions.h"
#include "platform/Volumes.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class InertSession : public Volumes,
                     public Haptics,
                     public Permissions {
public:
    explicit InertSession(MainQueue& queue) : m_queue(queue) {}

    // Volumes
    std::vector<Volume> mountedVolumes() const override { return {}; }
    Subscription observe(std::function<void(VolumeEvent, const Volume&)>) override { return {}; }
    // Haptics
    void performGeneric() override {}
    // Permissions
    bool isAccessibilityTrusted() const override { return true; }
    bool requestAccessibilityTrust(bool) override { return true; }
    Subscription observeAccessibilityChanges(std::function<void()>) override { return {}; }
    bool preflightScreenCapture() const override { return true; }
    bool preflightPostEvent() const override { return true; }
    bool requestPostEvent() override { return true; }
    AutomationStatus determineAutomation(const std::string&, bool) override { return AutomationStatus::granted; }

private:
    MainQueue& m_queue;
};

}  // namespace tarnlet::linux_desktop
