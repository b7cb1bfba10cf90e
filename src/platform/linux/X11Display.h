#pragma once
// The X display as the window services share it: the atoms they speak (interned once), a
// connection of its own for every thread that asks, and the conversion between the server's pixels
// and the accessibility interface's coordinates.
//
// Connections. The accessibility interface and the window list are read from background queues as
// well as from the main thread. Each thread gets a connection of its own, so a thread waiting for
// a reply holds nothing another thread needs, and no thread ever reads another's replies.
//
// Coordinates. The server counts device pixels from the top-left corner of the whole screen area.
// The core's screens are Qt's, in logical pixels (device pixels divided by the screen's pixel
// ratio, measured from the screen's own top-left corner, which Qt keeps in place), and the
// accessibility interface counts those from the top of the first (primary) screen, y downwards.
//
//     X11Display display;
//     X11Connection* connection = display.connection();   // this thread's
//     const Rect frame = display.toAccessibility(QRect(x, y, width, height));
//
// Threading: built and destroyed on the main thread, which also keeps the screen layout current
// from Qt's screen signals; atoms(), root(), connection() and the conversions may be used from any
// thread.

#include <xcb/xcb.h>

#include <QMetaObject>
#include <QPoint>
#include <QRect>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Geometry.h"
#include "platform/linux/X11Connection.h"

class QScreen;

namespace tarnlet::linux_desktop {

// The atoms of the extended window-manager hints (EWMH) and of the inter-client conventions
// (ICCCM) the window services use.
struct X11Atoms {
    xcb_atom_t utf8String = XCB_NONE;
    xcb_atom_t netSupported = XCB_NONE;
    xcb_atom_t netSupportingWmCheck = XCB_NONE;
    xcb_atom_t netClientList = XCB_NONE;
    xcb_atom_t netClientListStacking = XCB_NONE;
    xcb_atom_t netActiveWindow = XCB_NONE;
    xcb_atom_t netNumberOfDesktops = XCB_NONE;
    xcb_atom_t netCurrentDesktop = XCB_NONE;
    xcb_atom_t netWmDesktop = XCB_NONE;
    xcb_atom_t netWmPid = XCB_NONE;
    xcb_atom_t netWmName = XCB_NONE;
    xcb_atom_t netWmState = XCB_NONE;
    xcb_atom_t netWmStateHidden = XCB_NONE;
    xcb_atom_t netWmStateMaximizedVert = XCB_NONE;
    xcb_atom_t netWmStateMaximizedHorz = XCB_NONE;
    xcb_atom_t netWmStateAbove = XCB_NONE;
    xcb_atom_t netWmStateBelow = XCB_NONE;
    xcb_atom_t netWmWindowType = XCB_NONE;
    xcb_atom_t netWmWindowTypeNormal = XCB_NONE;
    xcb_atom_t netWmWindowTypeDialog = XCB_NONE;
    xcb_atom_t netWmWindowTypeUtility = XCB_NONE;
    xcb_atom_t netWmWindowTypeToolbar = XCB_NONE;
    xcb_atom_t netWmWindowTypeDock = XCB_NONE;
    xcb_atom_t netWmWindowTypeDesktop = XCB_NONE;
    xcb_atom_t netWmWindowTypeSplash = XCB_NONE;
    xcb_atom_t netWmWindowTypeMenu = XCB_NONE;
    xcb_atom_t netWmWindowTypeNotification = XCB_NONE;
    xcb_atom_t netFrameExtents = XCB_NONE;
    xcb_atom_t gtkFrameExtents = XCB_NONE;
    xcb_atom_t netMoveresizeWindow = XCB_NONE;
    xcb_atom_t netCloseWindow = XCB_NONE;
    xcb_atom_t netWmWindowOpacity = XCB_NONE;
    xcb_atom_t wmChangeState = XCB_NONE;
    xcb_atom_t gtkApplicationId = XCB_NONE;
    xcb_atom_t kdeNetWmDesktopFile = XCB_NONE;
};

class X11Display {
public:
    X11Display();
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    // Whether the server could be reached and the atoms interned.
    bool isOpen() const { return m_open; }
    const X11Atoms& atoms() const { return m_atoms; }
    xcb_window_t root() const { return m_root; }

    // The calling thread's connection, opened on its first call; null when it cannot be opened.
    X11Connection* connection();

    // A rectangle of server pixels in the accessibility interface's coordinates, and back. Each is
    // converted on the screen holding its centre (the primary screen when none does).
    Rect toAccessibility(const QRect& native) const;
    QRect toNative(const Rect& accessibility) const;

private:
    struct ScreenScale {
        QRect native;
        QRect logical;
        double scale = 1;
    };

    void watch(QScreen* screen);
    void updateScreens();
    const ScreenScale* screenAt(QPoint point, bool native) const;

    bool m_open = false;
    X11Atoms m_atoms;
    xcb_window_t m_root = XCB_NONE;
    mutable std::mutex m_mutex;
    std::map<std::thread::id, std::unique_ptr<X11Connection>> m_connections;
    std::vector<ScreenScale> m_screens;  // the primary screen first
    std::vector<QMetaObject::Connection> m_screenSignals;
};

}  // namespace tarnlet::linux_desktop
