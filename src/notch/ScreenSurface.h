#pragma once
// The surface the running system presents at: the notch of the presentation screen, asked afresh
// for every bar, and floating panels above every window and on every desktop.

#include "notch/NotchSurface.h"

namespace tarnlet {

class Panels;
class Screens;

class ScreenSurface : public NotchSurface {
public:
    static constexpr int kPanelLevel = 27;                    // three above the main menu
    static constexpr std::uint64_t kCollectionBehavior = 337;  // all desktops, stationary, no cycling, full screen

    ScreenSurface(Panels& panels, Screens& screens) : m_panels(panels), m_screens(screens) {}

    std::optional<Rect> notchRect() override;
    std::unique_ptr<NotchMount> mount(std::shared_ptr<NotchBarView> bar, Rect frame) override;
    // Whether bars grow out of a real camera housing.
    bool hasPhysicalNotch() const;

private:
    Panels& m_panels;
    Screens& m_screens;
};

}  // namespace tarnlet
