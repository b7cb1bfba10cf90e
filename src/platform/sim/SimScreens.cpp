#include "platform/sim/SimScreens.h"

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

SimScreens::SimScreens(SimMainQueue& queue) : m_queue(queue) {
    m_screens.push_back(laptopPanel(1512, 982, true));
}

void SimScreens::setScreens(std::vector<Screen> screens) {
    m_screens = std::move(screens);
    m_queue.post([this] { m_observers.notify(); });
}

Screen SimScreens::laptopPanel(double width, double height, bool notch, std::uint32_t displayID) {
    Screen s;
    s.displayID = displayID;
    s.frame = Rect(0, 0, width, height);
    const double top = notch ? 37 : 24;
    s.visibleFrame = Rect(0, 0, width, height - top);
    s.scale = 2;
    s.isBuiltin = true;
    if (notch) {
        s.safeAreaTopInset = 32;
        const double notchWidth = 200;
        const double side = (width - notchWidth) / 2;
        s.auxiliaryTopLeftArea = Rect(0, height - 32, side, 32);
        s.auxiliaryTopRightArea = Rect(side + notchWidth, height - 32, side, 32);
    }
    return s;
}

Screen SimScreens::externalDisplay(double width, double height, double originX, std::uint32_t displayID) {
    Screen s;
    s.displayID = displayID;
    s.frame = Rect(originX, 0, width, height);
    s.visibleFrame = Rect(originX, 0, width, height - 24);
    s.scale = 1;
    return s;
}

}  // namespace tarnlet::sim
