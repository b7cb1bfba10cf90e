#pragma once
// The workspace of an X11 session: addresses and folders open through the desktop's handlers, a
// file is revealed by the file manager's D-Bus interface (its folder opened where no file manager
// answers it), a new instance is this program started again, and quitting ends Qt's event loop. The
// other applications are the X11 session's (X11Applications); without them none is reported in
// front or running, and requests about them fail. Wakes and session activations are announced by
// whoever watches the session (notifyDidWake(), notifySessionDidBecomeActive()). Main thread only.

#include <memory>

#include "base/ObserverList.h"
#include "platform/Workspace.h"

class QObject;

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class X11Applications;

class LinuxWorkspace : public Workspace {
public:
    // The applications, when given, must outlive the workspace.
    explicit LinuxWorkspace(MainQueue& queue, X11Applications* applications = nullptr);
    ~LinuxWorkspace() override;

    bool openURL(const std::string& url) override;
    void revealInFileManager(const std::filesystem::path& file) override;
    void launchNewInstanceOfSelf(std::function<void(bool launched)> completion) override;
    void terminateSelf() override;
    std::optional<int> frontmostApplicationPID() const override;
    std::optional<std::string> frontmostApplicationBundleID() const override;
    bool activateApplication(int pid) override;
    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> runningApplication(int pid) const override;
    bool terminate(int pid) override;
    Subscription observeApplications(std::function<void(WorkspaceEvent, const RunningApplication&)> onEvent) override;
    Subscription observeDidWake(std::function<void()> onWake) override { return m_wake.add(std::move(onWake)); }
    Subscription observeSessionDidBecomeActive(std::function<void()> onActive) override {
        return m_active.add(std::move(onActive));
    }
    void activateSelf() override {}

    void notifyDidWake() { m_wake.notify(); }
    void notifySessionDidBecomeActive() { m_active.notify(); }

private:
    MainQueue& m_queue;
    X11Applications* m_running;
    // The context of pending D-Bus replies: they are dropped with it.
    std::unique_ptr<QObject> m_replies;
    ObserverList<> m_wake;
    ObserverList<> m_active;
};

}  // namespace tarnlet::linux_desktop
