#include "platform/sim/SimPowerSources.h"

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

namespace {
constexpr long long kCapacity = 5000;
}

SimPowerSources::SimPowerSources(SimMainQueue& queue)
    : m_queue(queue), m_sources{{"InternalBattery", "Battery Power", kCapacity * 80 / 100, kCapacity}} {}

std::optional<Subscription> SimPowerSources::observeChanges(std::function<void()> onChange) {
    if (!m_notificationsAvailable) return std::nullopt;
    return m_observers.add(std::move(onChange));
}

void SimPowerSources::setBattery(int percent, bool onBattery) {
    m_sources = {{"InternalBattery", onBattery ? "Battery Power" : "AC Power", kCapacity * percent / 100, kCapacity}};
    changed();
}

void SimPowerSources::plugIn() {
    for (auto& s : m_sources)
        if (s.type == "InternalBattery") s.powerSourceState = "AC Power";
    changed();
}

void SimPowerSources::unplug() {
    for (auto& s : m_sources)
        if (s.type == "InternalBattery") s.powerSourceState = "Battery Power";
    changed();
}

void SimPowerSources::setPercent(int percent) {
    for (auto& s : m_sources)
        if (s.type == "InternalBattery") s.currentCapacity = kCapacity * percent / 100;
    changed();
}

void SimPowerSources::removeBattery() { setSources({}); }

void SimPowerSources::setSources(std::vector<PowerSourceDescription> sources) {
    m_sources = std::move(sources);
    changed();
}

void SimPowerSources::changed() {
    m_queue.post([this] { m_observers.notify(); });
}

}  // namespace tarnlet::sim
