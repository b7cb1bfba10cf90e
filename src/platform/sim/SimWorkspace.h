#pragma once
// The simulated workspace: records what was opened and revealed, and lets tests put the machine to
// sleep and wake it.

#include <filesystem>
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
    explicit SimWorkspace(SimMainQueue& queue) : m_queue(queue) {}

    bool openURL(const std::string& url) override;
    void revealInFileManager(const std::filesystem::path& file) override { m_revealed.push_back(file); }
    Subscription observeDidWake(std::function<void()> onWake) override { return m_wakeObservers.add(std::move(onWake)); }

    void launchNewInstanceOfSelf(std::function<void(bool)> completion) override;
    void terminateSelf() override { ++m_terminateCount; }
    // Whether a new instance of the application can be launched.
    void setCanLaunchNewInstance(bool can) { m_canLaunchNewInstance = can; }
    int newInstanceCount() const { return m_newInstanceCount; }
    int terminateCount() const { return m_terminateCount; }

    std::optional<int> frontmostApplicationPID() const override { return m_frontmost; }
    bool activateApplication(int pid) override;
    // The running applications' processes, kept by the simulated applications.
    void addRunningApplication(int pid, std::optional<std::string> bundleID = std::nullopt) {
        m_running.insert(pid);
        if (bundleID) m_bundleIDs[pid] = *bundleID;
    }
    std::optional<std::string> frontmostApplicationBundleID() const override {
        if (!m_frontmost) return std::nullopt;
        const auto it = m_bundleIDs.find(*m_frontmost);
        return it == m_bundleIDs.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void removeRunningApplication(int pid);
    void setFrontmostApplicationPID(std::optional<int> pid) { m_frontmost = pid; }
    std::function<void(int pid)> onActivate;

    // The computer wakes: observers hear of it on the main queue.
    void wake();

    const std::vector<std::string>& openedURLs() const { return m_openedURLs; }
    const std::vector<std::filesystem::path>& revealed() const { return m_revealed; }

    std::function<void(const std::string& url)> onOpenURL;

private:
    SimMainQueue& m_queue;
    std::vector<std::string> m_openedURLs;
    std::vector<std::filesystem::path> m_revealed;
    ObserverList<> m_wakeObservers;
    bool m_canLaunchNewInstance = true;
    std::set<int> m_running;
    std::map<int, std::string> m_bundleIDs;
    std::optional<int> m_frontmost;
    int m_newInstanceCount = 0;
    int m_terminateCount = 0;
};

}  // namespace tarnlet::sim
