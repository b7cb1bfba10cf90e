#pragma once
// The simulated power supply: an internal battery (or none) that tests plug in, unplug and drain.
// Every change is announced on the main queue.

#include "base/ObserverList.h"
#include "platform/PowerSources.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimPowerSources : public PowerSources {
public:
    explicit SimPowerSources(SimMainQueue& queue);

    std::vector<PowerSourceDescription> sources() const override { return m_sources; }
    std::optional<Subscription> observeChanges(std::function<void()> onChange) override;

    // A laptop battery at percent, on battery or on the adapter (capacity 5000 mAh).
    void setBattery(int percent, bool onBattery);
    void plugIn();
    void unplug();
    void setPercent(int percent);
    // A desktop computer: no internal battery.
    void removeBattery();
    // Replaces every source, as the system reported them.
    void setSources(std::vector<PowerSourceDescription> sources);
    // Makes the system refuse notification sources from now on.
    void setNotificationsAvailable(bool available) { m_notificationsAvailable = available; }
    std::size_t observerCount() const { return m_observers.size(); }

private:
    void changed();

    SimMainQueue& m_queue;
    std::vector<PowerSourceDescription> m_sources;
    ObserverList<> m_observers;
    bool m_notificationsAvailable = true;
};

}  // namespace tarnlet::sim
