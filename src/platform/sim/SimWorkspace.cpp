#include "platform/sim/SimWorkspace.h"

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

bool SimWorkspace::openURL(const std::string& url) {
    m_openedURLs.push_back(url);
    if (onOpenURL) onOpenURL(url);
    return true;
}

void SimWorkspace::wake() {
    m_queue.post([this] { m_wakeObservers.notify(); });
}

}  // namespace tarnlet::sim
