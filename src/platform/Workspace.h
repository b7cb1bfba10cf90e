#pragma once
// The desktop's workspace: opening addresses and files, and its system notifications. Main thread.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/Subscription.h"

namespace tarnlet {

class Workspace {
public:
    virtual ~Workspace() = default;
    // Opens an address (a system settings page, a web page); false when nothing could open it.
    virtual bool openURL(const std::string& url) = 0;
    // Shows the file selected in the file manager.
    virtual void revealInFileManager(const std::filesystem::path& file) = 0;
    // Opens this application's own bundle as a new instance; completion (main queue) tells whether
    // it launched.
    virtual void launchNewInstanceOfSelf(std::function<void(bool launched)> completion) = 0;
    // Ends this process the orderly way, as a quit from the menu would.
    virtual void terminateSelf() = 0;
    // The process identifier of the frontmost application; none when no application is in front.
    virtual std::optional<int> frontmostApplicationPID() const = 0;
    // The bundle identifier of the frontmost application; none without one or without a front
    // application.
    virtual std::optional<std::string> frontmostApplicationBundleID() const = 0;
    // Brings the application with that process to the front; false when it does not run.
    virtual bool activateApplication(int pid) = 0;
    // Called on the main queue after the computer woke from sleep.
    virtual Subscription observeDidWake(std::function<void()> onWake) = 0;
};

}  // namespace tarnlet
