#pragma once
// The one shared watcher of the computer's internal battery. It listens to power-source changes
// only while someone is subscribed: the first subscriber starts it, the last one to leave stops it.
// Handlers are keyed by owner, so an owner subscribing again replaces its handler:
//
//     monitor.subscribe(this, [this](BatteryMonitor::State state) { showBattery(state); });
//     auto now = monitor.currentState();  // a value before the next change, if needed
//     ...
//     monitor.remove(this);
//
// Main thread only: notifications and handlers run on the main queue.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>

#include "base/Subscription.h"
#include "base/OwnerHandlers.h"
#include "base/WeakToken.h"

namespace tarnlet {

class PowerSources;

class BatteryMonitor {
public:
    struct State {
        bool isOnBattery = false;  // running from the battery rather than a power adapter
        int percent = 0;           // the charge level, 0 to 100
        friend bool operator==(const State&, const State&) = default;
    };
    using Handler = std::function<void(State)>;

    explicit BatteryMonitor(PowerSources& powerSources);
    ~BatteryMonitor();
    BatteryMonitor(const BatteryMonitor&) = delete;
    BatteryMonitor& operator=(const BatteryMonitor&) = delete;

    // Stores the owner's handler (replacing an earlier one) and starts listening; this is also the
    // retry after the system refused a notification source.
    void subscribe(const void* owner, Handler handler);
    // Drops the owner's handler; the last one leaving stops the monitor.
    void remove(const void* owner);

    // The internal battery as the system reports it right now; none without an internal battery.
    std::optional<State> currentState() const;

    bool isRunning() const { return m_runLoopSource.has_value(); }
    std::size_t subscriberCount() const { return m_handlers.size(); }

private:
    void start();
    void stop();
    void powerSourcesChanged();

    PowerSources& m_powerSources;
    OwnerHandlers<State> m_handlers;
    std::optional<Subscription> m_runLoopSource;
    WeakFactory m_weak;
};

}  // namespace tarnlet
