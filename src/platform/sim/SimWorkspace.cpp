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

void SimWorkspace::wake() {
    m_queue.post([this] { m_wakeObservers.notify(); });
}

}  // namespace tarnlet::sim
