#include "platform/sim/SimWorkspace.h"

#include <algorithm>

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

bool SimWorkspace::openURL(const std::string& url) {
    m_openedURLs.push_back(url);
    if (onOpenURL) onOpenURL(url);
    return true;
}

void SimWorkspace::launchNewInstanceOfSelf(std::function<void(bool)> completion) {
    const bool launched = m_canLaunchNewInstance;
    if (launched) ++m_newInstanceCount;
    m_queue.post([completion = std::move(completion), launched] {
        if (completion) completion(launched);
    });
}

std::optional<std::string> SimWorkspace::frontmostApplicationBundleID() const {
    if (!m_frontmost) return std::nullopt;
    const auto it = m_running.find(*m_frontmost);
    return it == m_running.end() ? std::nullopt : it->second.bundleIdentifier;
}

bool SimWorkspace::activateApplication(int pid) {
    const auto it = m_running.find(pid);
    if (it == m_running.end()) return false;
    const std::optional<int> previous = m_frontmost;
    m_frontmost = pid;
    // An application brought to the front is shown again.
    if (it->second.isHidden) {
        it->second.isHidden = false;
        announce(WorkspaceEvent::unhidden, it->second);
    }
    if (previous != pid) {
        if (previous) {
            if (const auto old = m_running.find(*previous); old != m_running.end()) {
                old->second.isActive = false;
                announce(WorkspaceEvent::deactivated, old->second);
            }
        }
        it->second.isActive = true;
        announce(WorkspaceEvent::activated, it->second);
    }
    if (onActivate) onActivate(pid);
    return true;
}

std::vector<RunningApplication> SimWorkspace::runningApplications() const {
    std::vector<RunningApplication> out;
    for (const int pid : m_launchOrder) out.push_back(*runningApplication(pid));
    return out;
}

std::optional<RunningApplication> SimWorkspace::runningApplication(int pid) const {
    const auto it = m_running.find(pid);
    if (it == m_running.end()) return std::nullopt;
    RunningApplication app = it->second;
    // Tests may put an application in front directly; the front is the truth.
    app.isActive = m_frontmost == pid;
    return app;
}

bool SimWorkspace::terminate(int pid) {
    if (!m_running.count(pid)) return false;
    m_terminateRequests.push_back(pid);
    // The application answers on its own run loop, a moment later.
    m_queue.post([this, pid] {
        if (!m_running.count(pid) || m_refusesToQuit.count(pid)) return;
        if (onQuit) onQuit(pid);
        // Without simulated applications attached the process simply ends here.
        removeRunningApplication(pid);
    });
    return true;
}

Subscription SimWorkspace::observeApplications(std::function<void(WorkspaceEvent, const RunningApplication&)> onEvent) {
    return m_applicationObservers.add(std::move(onEvent));
}

void SimWorkspace::addRunningApplication(int pid, std::optional<std::string> bundleID, std::optional<std::string> name) {
    if (m_running.count(pid)) return;
    RunningApplication app;
    app.pid = pid;
    app.bundleIdentifier = std::move(bundleID);
    app.localizedName = std::move(name);
    // The simulated desktop is the original one, whose file manager is the Finder.
    app.isFileManager = app.bundleIdentifier == kFileManagerBundleID;
    m_running.emplace(pid, app);
    m_launchOrder.push_back(pid);
    announce(WorkspaceEvent::launched, app);
}

void SimWorkspace::removeRunningApplication(int pid) {
    const auto it = m_running.find(pid);
    if (it == m_running.end()) return;
    RunningApplication app = it->second;
    app.isTerminated = true;
    app.isActive = false;
    m_running.erase(it);
    std::erase(m_launchOrder, pid);
    m_refusesToQuit.erase(pid);
    if (m_frontmost == pid) m_frontmost.reset();
    announce(WorkspaceEvent::terminated, app);
}

void SimWorkspace::setActivationPolicy(int pid, ActivationPolicy policy) {
    if (const auto it = m_running.find(pid); it != m_running.end()) it->second.activationPolicy = policy;
}

void SimWorkspace::setIcon(int pid, std::optional<Image> icon) {
    if (const auto it = m_running.find(pid); it != m_running.end()) it->second.icon = std::move(icon);
}

void SimWorkspace::hide(int pid) {
    const auto it = m_running.find(pid);
    if (it == m_running.end() || it->second.isHidden) return;
    it->second.isHidden = true;
    if (m_frontmost == pid) {
        m_frontmost.reset();
        it->second.isActive = false;
        announce(WorkspaceEvent::deactivated, it->second);
    }
    announce(WorkspaceEvent::hidden, it->second);
}

void SimWorkspace::unhide(int pid) {
    const auto it = m_running.find(pid);
    if (it == m_running.end() || !it->second.isHidden) return;
    it->second.isHidden = false;
    announce(WorkspaceEvent::unhidden, it->second);
}

void SimWorkspace::setRefusesToQuit(int pid, bool refuses) {
    if (refuses) m_refusesToQuit.insert(pid);
    else m_refusesToQuit.erase(pid);
}

void SimWorkspace::announce(WorkspaceEvent event, const RunningApplication& application) {
    m_queue.post([this, event, application] { m_applicationObservers.notify(event, application); });
}

void SimWorkspace::wake() {
    m_queue.post([this] { m_wakeObservers.notify(); });
}

void SimWorkspace::sessionBecameActive() {
    m_queue.post([this] { m_sessionObservers.notify(); });
}

}  // namespace tarnlet::sim
