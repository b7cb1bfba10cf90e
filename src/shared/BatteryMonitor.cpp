#include "shared/BatteryMonitor.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "diagnostics/Log.h"
#include "platform/PowerSources.h"

namespace tarnlet {

namespace {

// The charge level of one battery description. Readings are clamped to 0…100: batteries do report
// a current capacity above the maximum while recalibrating, and a level outside that range would
// only mislead the chips and the low-battery check.
int chargePercent(const PowerSourceDescription& battery) {
    // A battery that does not say how full it is counts as full rather than as empty, so that a
    // missing reading never ends a keep-awake session for low battery.
    if (!battery.currentCapacity) return 100;
    const long long current = std::max(0LL, *battery.currentCapacity);
    long long percent = current;
    if (battery.maxCapacity && *battery.maxCapacity > 0) {
        const long long max = *battery.maxCapacity;
        // Absurdly large readings must not overflow the multiplication.
        if (current <= std::numeric_limits<long long>::max() / 100)
            percent = current * 100 / max;
        else
            percent = current / std::max(1LL, max / 100);
    }
    return static_cast<int>(std::clamp(percent, 0LL, 100LL));
}

}  // namespace

BatteryMonitor::BatteryMonitor(PowerSources& powerSources) : m_powerSources(powerSources) {}

BatteryMonitor::~BatteryMonitor() { stop(); }

Subscription BatteryMonitor::subscribe(Handler handler) { return m_subscribers.add(std::move(handler)); }

std::optional<BatteryMonitor::State> BatteryMonitor::currentState() const {
    for (const PowerSourceDescription& source : m_powerSources.sources()) {
        if (source.type != "InternalBattery") continue;
        return State{source.powerSourceState == "Battery Power", chargePercent(source)};
    }
    return std::nullopt;
}

void BatteryMonitor::start() {
    if (m_runLoopSource) return;
    auto source = m_powerSources.observeChanges(m_weak.bind([this] { powerSourcesChanged(); }));
    if (!source) {
        // Only notifications are lost: currentState() still reads the battery, and the next
        // subscription tries again. Until then the low-battery end of a keep-awake session never
        // fires, and this line is the only trace of why, so it is an error even with diagnostics off.
        Log::error("Awake: could not create battery notification source");
        return;
    }
    m_runLoopSource = std::move(source);
}

void BatteryMonitor::stop() { m_runLoopSource.reset(); }

void BatteryMonitor::powerSourcesChanged() {
    const auto state = currentState();
    if (!state) return;
    m_subscribers.notify(*state);
}

}  // namespace tarnlet
