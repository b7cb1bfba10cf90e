#pragma once
// Seconds since the user last used the keyboard or the pointer, from the X server's screen-saver
// extension. The server keeps one clock for all input, so every kind of event reports the same
// time. Without the extension the user always counts as present (0 s).
// Main thread only.

#include <xcb/xcb.h>

#include "platform/InputIdle.h"

namespace tarnlet::linux_desktop {

class X11InputIdle : public InputIdle {
public:
    // The connection belongs to the caller and must outlive this object.
    X11InputIdle(xcb_connection_t* connection, xcb_window_t root);
    double secondsSinceLastEvent(EventType type) const override;

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    bool m_available = false;
};

}  // namespace tarnlet::linux_desktop
