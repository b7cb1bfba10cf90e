#pragma once
// The attached screens from Qt, in desktop coordinates: X11 counts y downwards from the top of the
// whole screen area, the core upwards from the bottom of the primary screen, and the flip between
// the two lives here. The primary screen comes first. None of these panels has a camera housing,
// so no screen reports a safe-area inset; the notch is synthesised by the core. Main thread only.

#include <QMetaObject>
#include <QPoint>
#include <QRect>
#include <vector>

#include "base/ObserverList.h"
#include "base/WeakToken.h"
#include "platform/Screens.h"

class QScreen;

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class QtScreens : public Screens {
public:
    explicit QtScreens(MainQueue& queue);
    ~QtScreens() override;

    std::vector<Screen> screens() const override;
    Subscription observeChanges(std::function<void()> onChange) override;

    // X11 rectangles and points (top-left origin, logical pixels) to desktop ones, and back.
    static Rect toDesktop(const QRect& rect);
    static Point toDesktop(const QPoint& point);
    static QRect toX11(const Rect& rect);

private:
    void watch(QScreen* screen);
    void changed();

    MainQueue& m_queue;
    ObserverList<> m_observers;
    std::vector<QMetaObject::Connection> m_connections;
    bool m_changePending = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet::linux_desktop
