#pragma once
// Stand-ins for the session services X11 does not have: no haptic devices, and every permission
// granted, since X11 has no consent system for what these permissions guard. Main thread only.

#include "platform/Haptics.h"
#include "platform/Permissions.h"

namespace tarnlet::linux_desktop {

class InertSession : public Haptics, public Permissions {
public:
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
};

}  // namespace tarnlet::linux_desktop
