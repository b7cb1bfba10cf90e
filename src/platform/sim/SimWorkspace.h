#pragma once
// The simulated workspace: records what was opened and revealed, keeps the running applications
// with their front, hidden and terminated state, and lets tests put the machine to sleep and wake
// it. Application notifications go out on the main queue, as the system's do; a quit request is
// answered on the main queue too, and an application may refuse it.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "base/ObserverList.h"
#include "platform/Workspace.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimWorkspace : public Workspace {
public:
    static constexpr const char* kFileManagerBundleID = "com.apple.finder";

    explicit SimWorkspace(SimMainQueue& queue) : m_queue(queue) {}

    bool openURL(const std::string& url) override;
    void revealInFileManager(const std::filesystem::path& file) override { m_revealed.push_back(file); }
    Subscription observeDidWake(std::function<void()> onWake) override { return m_wakeObservers.add(std::move(onWake)); }
    Subscription observeSessionDidBecomeActive(std::function<void()> onActive) override {
        return m_sessionObservers.add(std::move(onActive));
    }
    void activateSelf() override { ++m_selfActivations; }
    int selfActivationCount() const { return m_selfActivations; }
    void launchNewInstanceOfSelf(std::function<void(bool)> completion) override;
    void terminateSelf() override { ++m_terminateCount; }
    // Whether a new instance of the application can be launched.
    void setCanLaunchNewInstance(bool can) { m_canLaunchNewInstance = can; }
    int newInstanceCount() const { return m_newInstanceCount; }
    int terminateCount() const { return m_terminateCount; }

    std::optional<int> frontmostApplicationPID() const override { return m_frontmost; }
    std::optional<std::string> frontmostApplicationBundleID() const override;
    // Brings the application to the front: the one in front before is deactivated.
    bool activateApplication(int pid) override;
    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> runningApplication(int pid) const override;
    bool terminate(int pid) override;
    Subscription observeApplications(std::function<void(WorkspaceEvent, const RunningApplication&)> onEvent) override;

    // The running applications' processes, kept by the simulated applications.
    void addRunningApplication(int pid, std::optional<std::string> bundleID = std::nullopt,
                               std::optional<std::string> name = std::nullopt);
    void removeRunningApplication(int pid);
    // Puts an application in front without any notification (the state a test starts from).
    void setFrontmostApplicationPID(std::optional<int> pid) { m_frontmost = pid; }
    void setActivationPolicy(int pid, ActivationPolicy policy);
    void setIcon(int pid, std::optional<Image> icon);
    // The user hides or shows the application (⌘H); hiding the front one deactivates it.
    void hide(int pid);
    void unhide(int pid);
    // An application with an unsaved document: it ignores quit requests until told otherwise.
    void setRefusesToQuit(int pid, bool refuses);
    // The quit requests sent, by process, in order.
    const std::vector<int>& terminateRequests() const { return m_terminateRequests; }
    // The process exits after agreeing to quit; the simulated applications drop it.
    std::function<void(int pid)> onQuit;
    std::function<void(int pid)> onActivate;

    // The computer wakes: observers hear of it on the main queue.
    void wake();
    // The user switches back to this session: observers hear of it on the main queue.
    void sessionBecameActive();
    const std::vector<std::string>& openedURLs() const { return m_openedURLs; }
    const std::vector<std::filesystem::path>& revealed() const { return m_revealed; }
    std::function<void(const std::string& url)> onOpenURL;

private:
    void announce(WorkspaceEvent event, const RunningApplication& application);

    SimMainQueue& m_queue;
    std::vector<std::string> m_openedURLs;
    std::vector<std::filesystem::path> m_revealed;
    ObserverList<> m_wakeObservers;
    ObserverList<> m_sessionObservers;
    int m_selfActivations = 0;
    ObserverList<WorkspaceEvent, const RunningApplication&> m_applicationObservers;
    bool m_canLaunchNewInstance = true;
    std::map<int, RunningApplication> m_running;
    std::vector<int> m_launchOrder;
    std::set<int> m_refusesToQuit;
    std::vector<int> m_terminateRequests;
    std::optional<int> m_frontmost;
    int m_newInstanceCount = 0;
    int m_terminateCount = 0;
};

}  // namespace tarnlet::sim
