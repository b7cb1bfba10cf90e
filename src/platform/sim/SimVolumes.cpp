#include "platform/sim/SimVolumes.h"

#include <algorithm>

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

SimVolumes::SimVolumes(SimMainQueue& queue) : m_queue(queue) { m_volumes.push_back({"/", true, false}); }

void SimVolumes::mount(const std::string& name, bool isInternal, bool isHidden) {
    unmount(name);
    Volume volume{std::filesystem::path("/Volumes") / name, isInternal, isHidden};
    m_volumes.push_back(volume);
    m_queue.post([this, volume] { m_observers.notify(VolumeEvent::mounted, volume); });
}

void SimVolumes::unmount(const std::string& name) {
    const auto url = std::filesystem::path("/Volumes") / name;
    const auto it = std::find_if(m_volumes.begin(), m_volumes.end(), [&](const Volume& v) { return v.url == url; });
    if (it == m_volumes.end()) return;
    Volume volume = *it;
    m_volumes.erase(it);
    m_queue.post([this, volume] { m_observers.notify(VolumeEvent::unmounted, volume); });
}

}  // namespace tarnlet::sim
