#pragma once
// The simulated volumes: the start-up disk is always there; tests mount and unmount drives, and
// each change is announced on the main queue, as the workspace does.

#include "base/ObserverList.h"
#include "platform/Volumes.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimVolumes : public Volumes {
public:
    explicit SimVolumes(SimMainQueue& queue);

    std::vector<Volume> mountedVolumes() const override { return m_volumes; }
    Subscription observe(std::function<void(VolumeEvent, const Volume&)> onEvent) override {
        return m_observers.add(std::move(onEvent));
    }

    // Mounts a volume at /Volumes/<name> (replacing one of that name).
    void mount(const std::string& name, bool isInternal = false, bool isHidden = false);
    void unmount(const std::string& name);

private:
    SimMainQueue& m_queue;
    std::vector<Volume> m_volumes;
    ObserverList<VolumeEvent, const Volume&> m_observers;
};

}  // namespace tarnlet::sim
