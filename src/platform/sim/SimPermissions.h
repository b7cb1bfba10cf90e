#pragma once
// The simulated privacy settings. Changing the accessibility grant behaves as the real system does:
// the change broadcast goes out at once, but the grant the process reads flips only after a lag.

#include <map>

#include "base/ObserverList.h"
#include "platform/MainQueue.h"
#include "platform/Permissions.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimPermissions : public Permissions {
public:
    static constexpr double kDefaultGrantLag = 1.0;

    explicit SimPermissions(SimMainQueue& queue) : m_queue(queue) {}

    bool isAccessibilityTrusted() const override { return m_accessibility; }
    bool requestAccessibilityTrust(bool prompt) override;
    Subscription observeAccessibilityChanges(std::function<void()> onChange) override;
    bool preflightScreenCapture() const override { return m_screenCapture; }
    bool preflightPostEvent() const override { return m_postEvent; }
    bool requestPostEvent() override {
        ++m_postEventRequests;
        return m_postEvent;
    }
    int postEventRequestCount() const { return m_postEventRequests; }
    AutomationStatus determineAutomation(const std::string& bundleID, bool askUserIfNeeded) override;

    // The user flips the switch in the system settings: broadcast now, grant after `lag` seconds.
    void changeAccessibility(bool granted, double lag = kDefaultGrantLag);
    // The grant as it stands at start, without any broadcast.
    void setAccessibilityTrusted(bool granted) { m_accessibility = granted; }
    void setScreenCapture(bool granted) { m_screenCapture = granted; }
    void setPostEvent(bool granted) { m_postEvent = granted; }
    // What determineAutomation reports for a target; notDetermined becomes `answerWhenAsked` once
    // the user is asked.
    void setAutomation(const std::string& bundleID, AutomationStatus status) { m_automation[bundleID] = status; }
    void setAutomationAnswer(AutomationStatus answer) { m_automationAnswer = answer; }

    int accessibilityPromptCount() const { return m_promptCount; }

private:
    SimMainQueue& m_queue;
    bool m_accessibility = true;
    bool m_screenCapture = false;
    bool m_postEvent = true;
    int m_promptCount = 0;
    int m_postEventRequests = 0;
    std::map<std::string, AutomationStatus> m_automation;
    AutomationStatus m_automationAnswer = AutomationStatus::granted;
    ObserverList<> m_accessibilityObservers;
    std::vector<WorkItem> m_pendingGrants;
};

}  // namespace tarnlet::sim
