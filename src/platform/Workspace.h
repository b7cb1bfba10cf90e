#pragma once
// The desktop's workspace: opening addresses and files, the running applications with their
// notifications, and its system notifications. Main thread.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Image.h"
#include "base/Subscription.h"

namespace tarnlet {

// Whether an application shows in the Dock (regular), only in the menu bar (accessory, a
// background agent), or not at all.
enum class ActivationPolicy { regular, accessory, prohibited };

struct RunningApplication {
    int pid = 0;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    bool isHidden = false;
    bool isTerminated = false;
    bool isActive = false;  // the frontmost application
    // The desktop's file manager, which the quitting tools never quit.
    bool isFileManager = false;
    std::optional<Image> icon;
};

enum class WorkspaceEvent { launched, terminated, activated, deactivated, hidden, unhidden };

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
    // The applications running now, in launch order.
    virtual std::vector<RunningApplication> runningApplications() const = 0;
    // The running application with that process; none when it is not running.
    virtual std::optional<RunningApplication> runningApplication(int pid) const = 0;
    // Asks the application to quit the ordinary way, as its Quit menu item would: it may refuse (an
    // unsaved document asks first) and quits later if at all. False when the request could not be
    // sent (the process does not run).
    virtual bool terminate(int pid) = 0;
    // Application launched, terminated, activated, deactivated, hidden and unhidden, delivered on
    // the main queue with the application as it stands after the change.
    virtual Subscription observeApplications(std::function<void(WorkspaceEvent, const RunningApplication&)> onEvent) = 0;
    // Called on the main queue after the computer woke from sleep.
    virtual Subscription observeDidWake(std::function<void()> onWake) = 0;
    // Called on the main queue when this user's session became the active one again (after fast
    // user switching).
    virtual Subscription observeSessionDidBecomeActive(std::function<void()> onActive) = 0;
    // Brings this application to the front, as before a modal alert.
    virtual void activateSelf() = 0;
};

}  // namespace tarnlet
