#pragma once
// The one shared watcher of the computer's internal battery. It listens to power-source changes
// only while someone is subscribed: the first subscriber starts it, the end of the last
// subscription stops it:
//
//     m_batterySubscription = monitor.subscribe(m_weak.bind([this](BatteryMonitor::State s) { show(s); }));
//     auto now = monitor.currentState();  // a value before the next change, if needed
//     ...
//     m_batterySubscription.cancel();
//
// Main thread only: notifications and handlers run on the main queue.

#include <cstddef>
#include <functional>
#include <optional>

#include "base/SubscriberList.h"
#include "base/Subscription.h"
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

    // Adds a handler and starts listening; this is also the retry after the system refused a
    // notification source.
    [[nodiscard]] Subscription subscribe(Handler handler);

    // The internal battery as the system reports it right now; none without an internal battery.
    std::optional<State> currentState() const;

    bool isRunning() const { return m_runLoopSource.has_value(); }
    std::size_t subscriberCount() const { return m_subscribers.size(); }

private:
    void start();
    void stop();
    void powerSourcesChanged();

    PowerSources& m_powerSources;
    SubscriberList<State> m_subscribers{[this] { start(); }, [this] { stop(); }};
    std::optional<Subscription> m_runLoopSource;
    WeakFactory m_weak;
};

}  // namespace tarnlet
