#pragma once
// A connection of its own to the X server, whose events are read in Qt's event loop as soon as its
// socket has data and handed, in order, to onEvent. Each service that needs events of its own (the
// raw input of the idle clocks, the grabs of the key taps, the hot keys) opens one, so that one
// service draining its queue never takes another's events, and the grabs of one are not silently
// replaced by the same combination grabbed for another (a client's second grab of a combination
// overrides its first; two clients' collide, and the server says so).
//
//     XcbEventConnection connection;
//     connection.onEvent = [](const xcb_generic_event_t& event) { … };
//     if (!connection.selectRawEvents(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS)) { … no XInput2 … }
//
// A connection the server breaks (the server went away) is closed and no longer watched, so that
// the event loop does not spin on it; isOpen() then says false.
//
// Main thread only; needs a running Qt event loop for events to be read as they come.

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tarnlet::linux_desktop {

class XcbEventConnection {
public:
    // Connects to the display in $DISPLAY; isOpen() says whether that worked.
    XcbEventConnection();
    ~XcbEventConnection();
    XcbEventConnection(const XcbEventConnection&) = delete;
    XcbEventConnection& operator=(const XcbEventConnection&) = delete;

    bool isOpen() const { return m_connection != nullptr; }
    xcb_connection_t* get() const { return m_connection; }
    xcb_window_t root() const { return m_root; }

    // Asks for XInput2 raw events (XCB_INPUT_XI_EVENT_MASK_RAW_…) of the master devices on the root
    // window. False, with nothing selected, without XInput2 2.1 or later: only from 2.1 on do raw
    // events come while another client holds a grab.
    bool selectRawEvents(std::uint32_t mask);
    // XInput2's major opcode, for telling its events apart; 0 before selectRawEvents() succeeded.
    std::uint8_t inputOpcode() const { return m_inputOpcode; }

    // Called with each event read, errors of unchecked requests included. It may read further
    // events (drain() again), but must not destroy the connection.
    std::function<void(const xcb_generic_event_t&)> onEvent;

    // Reads and hands on every event that has arrived, then closes a broken connection.
    void drain();
    void flush();

private:
    void close();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    std::uint8_t m_inputOpcode = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace tarnlet::linux_desktop
