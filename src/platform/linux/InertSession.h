#pragma once
// Stand-ins for the session services this backend does not drive yet, each answering as a desktop
// without the service would: no status item host, panels that never reach the screen, no volumes,
// no haptics, every permission granted (X11 has no consent system), and a prompt dismissed at once.
// Main thread only.

#include "platform/Alerts.h"
#include "platform/Haptics.h"
#include "platform/Panels.h"
#include "platform/Permissions.h"
#include "platform/StatusBar.h"
#include "platform/Volumes.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class InertSession : public Alerts,
                     public StatusBar,
                     public Panels,
                     public Volumes,
                     public Haptics,
                     public Permissions {
public:
    explicit InertSession(MainQueue& queue) : m_queue(queue) {}

    // Alerts
    NumberPromptAnswer runNumberPrompt(const NumberPrompt&) override { return {}; }
    // StatusBar
    std::unique_ptr<StatusItem> addItem() override;
    // Panels
    std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) override;
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
