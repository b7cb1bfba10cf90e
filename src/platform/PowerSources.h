#pragma once
// The computer's power sources as the system describes them: one dictionary per source with the
// keys "Type", "Power Source State", "Current Capacity" and "Max Capacity". Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Subscription.h"

namespace tarnlet {

struct PowerSourceDescription {
    std::string type;                     // "InternalBattery", "UPS" …
    std::string powerSourceState;         // "Battery Power", "AC Power"
    std::optional<long long> currentCapacity;
    std::optional<long long> maxCapacity;
};

class PowerSources {
public:
    virtual ~PowerSources() = default;
    virtual std::vector<PowerSourceDescription> sources() const = 0;
    // A change notification on the main queue; none when the system would not create the source.
    virtual std::optional<Subscription> observeChanges(std::function<void()> onChange) = 0;
};

}  // namespace tarnlet
