#pragma once
// The privacy permissions the system grants: accessibility trust (with the system's broadcast when
// any process's grant changes), screen capture, posting synthetic events and automating another
// application. Main thread, except determineAutomation(), which may block and is called from a
// background queue.

#include <functional>
#include <string>

#include "base/Subscription.h"

namespace tarnlet {

enum class AutomationStatus { granted, denied, notDetermined, targetNotRunning };

class Permissions {
public:
    virtual ~Permissions() = default;

    // The grant as the system reports it now. The system updates it asynchronously, some time after
    // its change broadcast.
    virtual bool isAccessibilityTrusted() const = 0;
    // Shows the system's consent prompt when asked and not trusted; returns the trust it reports.
    virtual bool requestAccessibilityTrust(bool prompt) = 0;
    // The broadcast "com.apple.accessibility.api", delivered on the main queue.
    virtual Subscription observeAccessibilityChanges(std::function<void()> onChange) = 0;

    virtual bool preflightScreenCapture() const = 0;
    virtual bool preflightPostEvent() const = 0;
    // Asks the user for the right to post events (the system shows its prompt once); returns the
    // right as it stands now.
    virtual bool requestPostEvent() = 0;

    // May block while the user is asked; never call it on the main thread.
    virtual AutomationStatus determineAutomation(const std::string& bundleID, bool askUserIfNeeded) = 0;
};

}  // namespace tarnlet
