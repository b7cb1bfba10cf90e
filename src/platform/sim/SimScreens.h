#pragma once
// The simulated displays. A new configuration is announced on the main queue, as the system does.

#include "base/ObserverList.h"
#include "platform/Screens.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimScreens : public Screens {
public:
    explicit SimScreens(SimMainQueue& queue);

    std::vector<Screen> screens() const override { return m_screens; }
    Subscription observeChanges(std::function<void()> onChange) override { return m_observers.add(std::move(onChange)); }

    void setScreens(std::vector<Screen> screens);

    // A laptop panel of the given size in points, with a camera notch when asked: the menu bar and
    // the notch take the top 32 points (37 with a notch); the notch is 200 points wide.
    static Screen laptopPanel(double width, double height, bool notch, std::uint32_t displayID = 1);
    // An external display beside the given frame's right edge.
    static Screen externalDisplay(double width, double height, double originX, std::uint32_t displayID);

private:
    SimMainQueue& m_queue;
    std::vector<Screen> m_screens;
    ObserverList<> m_observers;
};

}  // namespace tarnlet::sim
