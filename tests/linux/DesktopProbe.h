#pragma once
// What the tests read back from the X server, on a connection of their own (never Qt's): pixels of
// the screen, the active window, the pointer's window; and the waiting they do, with the Qt event
// loop running so that the application under test keeps answering.

#include <xcb/xcb.h>

#include <QColor>
#include <QStringList>
#include <functional>

namespace tarnlet::linux_tests {

class DesktopProbe {
public:
    DesktopProbe();
    ~DesktopProbe();
    DesktopProbe(const DesktopProbe&) = delete;
    DesktopProbe& operator=(const DesktopProbe&) = delete;

    // True when a Qt application on an X display runs: tests skip themselves otherwise.
    static bool hasDesktop();

    // The colour of a screen pixel, X11 coordinates.
    QColor pixel(int x, int y) const;
    // _NET_ACTIVE_WINDOW, or XCB_NONE.
    xcb_window_t activeWindow() const;

    // Runs Qt's event loop until `condition` holds or `seconds` have passed; says which.
    static bool waitUntil(const std::function<bool()>& condition, double seconds = 10);
    // Runs Qt's event loop for a while, for the window manager to act on what it was told.
    static void settle(double seconds = 0.3);
    // Runs a desktop program to its end with the event loop running; its exit status.
    static int run(const QString& program, const QStringList& arguments);

private:
    xcb_atom_t atom(const char* name) const;

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
};

}  // namespace tarnlet::linux_tests
