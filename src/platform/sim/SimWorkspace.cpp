#include "platform/sim/SimWorkspace.h"

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

bool SimWorkspace::activateApplication(int pid) {
    if (!m_running.count(pid)) return false;
    m_frontmost = pid;
    if (onActivate) onActivate(pid);
    return true;
}

void SimWorkspace::removeRunningApplication(int pid) {
    m_running.erase(pid);
    m_bundleIDs.erase(pid);
    if (m_frontmost == pid) m_frontmost.reset();
}

void SimWorkspace::wake() {
    m_queue.post([this] { m_wakeObservers.notify(); });
}

}  // namespace tarnlet::sim
