#pragma once
// Stand-ins for the session services this backend does not drive yet, each answering as a desktop
// without the service would: notices not allowed, no power sources or assertions, no status item
// host, panels that never reach the screen, no haptics, every permission granted (X11
// has no consent system), and a prompt dismissed at once. Main thread only.

#include "platform/Alerts.h"
#include "platform/Haptics.h"
#include "platform/Notices.h"
#include "platform/Panels.h"
#include "platform/Permissions.h"
#include "platform/PowerAssertions.h"
#include "platform/PowerSources.h"
#include "platform/StatusBar.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class InertSession : public Notices,
                     public PowerSources,
                     public PowerAssertions,
                     public Alerts,
                     public StatusBar,
                     public Panels,
                     public Haptics,
                     public Permissions {
public:
    explicit InertSession(MainQueue& queue) : m_queue(queue) {}

    // Notices
    void requestAuthorization(std::function<void(bool, std::optional<std::string>)> completion) override {
        completion(false, std::string("no notification service"));
    }
    void authorizationStatus(std::function<void(NoticeAuthorization)> completion) override {
        completion(NoticeAuthorization::denied);
    }
    void add(const std::string&, const std::string&, const std::string&) override {}
    void removeDelivered(const std::string&) override {}
    // PowerSources
    std::vector<PowerSourceDescription> sources() const override { return {}; }
    std::optional<Subscription> observeChanges(std::function<void()>) override { return std::nullopt; }
    // PowerAssertions
    std::optional<std::map<int, std::vector<std::string>>> assertionsByProcess() const override { return std::nullopt; }
    PowerAssertionCreation create(const std::string&, const std::string&) override { return {std::nullopt, -1}; }
    void release(PowerAssertionID) override {}
    // Alerts
    NumberPromptAnswer runNumberPrompt(const NumberPrompt&) override { return {}; }
    // StatusBar
    std::unique_ptr<StatusItem> addItem() override;
    // Panels
    std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) override;
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
