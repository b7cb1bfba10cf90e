#pragma once
// Seconds since the user last produced each kind of input on an X11 session. The server's
// screen-saver extension keeps only one clock for all input, so the kinds are told apart from
// XInput2 raw events (key presses, pointer motion, button presses; buttons 4 to 7 are the scroll
// wheel), which reach every client regardless of focus and grabs. They arrive on a connection of
// this object's own, read in Qt's event loop whenever its socket has data, and drained once more
// before every answer so that an answer never lags behind the queue.
//
// The server's idle time bounds the answers: the most recent kind never reads more than the server
// says, and when the server has seen input clearly more recently than any raw event (a device or a
// client the raw stream does not show, or the screen saver being reset), every kind counts as that
// recent. Before any raw event arrived, every kind reads the
// server's idle time; a kind not seen since then counts from the start of watching, plus the idle
// time the server reported at that moment. Without XInput2 every kind reads the server's idle
// time, and without the screen-saver extension as well the user always counts as present (0 s).
//
// Main thread only; needs a running Qt event loop for the raw events to be read as they come.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/InputIdle.h"

namespace tarnlet::linux_desktop {

class XcbEventConnection;

class X11InputIdle : public InputIdle {
public:
    // The connection belongs to the caller and must outlive this object; it serves the
    // screen-saver queries. The raw events come on a second connection to the same display.
    X11InputIdle(xcb_connection_t* connection, xcb_window_t root);
    ~X11InputIdle() override;
    X11InputIdle(const X11InputIdle&) = delete;
    X11InputIdle& operator=(const X11InputIdle&) = delete;

    double secondsSinceLastEvent(EventType type) const override;

    // How far this process's reading of an event may trail the server's own count of it.
    static constexpr double kClockSkewSeconds = 0.25;

    // Whether raw events are being received (XInput2 present and the connection alive).
    bool watchesRawEvents() const;

private:
    void drain() const;
    void record(const xcb_generic_event_t* event) const;
    void seen(EventType type) const;
    std::optional<double> serverIdle() const;
    double now() const;

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    bool m_screenSaver = false;
    const std::chrono::steady_clock::time_point m_start;
    double m_serverIdleAtStart = 0;

    // The raw-event connection; none without XInput2.
    std::unique_ptr<XcbEventConnection> m_raw;
    // When each kind was last seen, on this object's monotonic clock.
    mutable std::map<EventType, double> m_lastSeen;
    mutable bool m_leftHeld = false;
    mutable bool m_rightHeld = false;
};

}  // namespace tarnlet::linux_desktop
