#pragma once
// A connection of its own to the X display, for a service that listens to the whole session
// (XInput2 raw events, XFixes selection notifications, key grabs). Its events are read in Qt's
// event loop whenever its socket has data and handed, in order, to the one handler given to watch().
//
// Each such service opens its own connection rather than sharing one: the input-idle clock drains
// its events before every answer, and on a shared connection that would run the pointer monitors'
// handlers in the middle of whatever code asked how long the user has been idle; and a client's
// second grab of a key combination silently replaces its first, where two clients' grabs collide
// and the server says so, so the key taps and the hot keys must not share one. The price is one
// more client and a copy of each raw event, which the server sends without waiting for anyone.
//
//     X11EventConnection events;
//     if (events.isOpen() && events.selectRawEvents(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION))
//         events.watch([](const xcb_generic_event_t& event) { … });
//
// A broken connection (the server went away) is closed at the next read; isOpen() then says so and
// no handler runs again. Main thread only; needs a running Qt event loop for events to be read as
// they come.

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tarnlet::linux_desktop {

class X11EventConnection {
public:
    // Connects to the default display ($DISPLAY); isOpen() is false when that failed.
    X11EventConnection();
    ~X11EventConnection();
    X11EventConnection(const X11EventConnection&) = delete;
    X11EventConnection& operator=(const X11EventConnection&) = delete;

    bool isOpen() const { return m_connection != nullptr; }
    // Null once closed.
    xcb_connection_t* connection() const { return m_connection; }
    // The root window of the display's default screen.
    xcb_window_t root() const { return m_root; }

    // Selects these raw events (XCB_INPUT_XI_EVENT_MASK_RAW_…) of the master devices on the root
    // window; false when the server has no XInput 2.1 or refused. Under 2.0 raw events stop during
    // grabs: the release of a button that started an implicit grab would never arrive, and every
    // motion after it would read as a drag.
    bool selectRawEvents(std::uint32_t mask);
    // XInput2's major opcode, for telling its events apart; 0 before selectRawEvents() succeeded.
    std::uint8_t inputOpcode() const { return m_inputOpcode; }
    // The XInput2 event type (XCB_INPUT_RAW_…) of a raw event on this connection, or 0 for any other
    // event.
    std::uint16_t rawEventType(const xcb_generic_event_t& event) const;
    // Whether a raw motion moved the pointer rather than only turning a wheel or a touchpad's
    // scroll axis.
    static bool movesPointer(const xcb_generic_event_t& rawMotion);

    // Starts handing every event to handler, beginning with those already waiting; a null handler
    // drops them from then on. A handler may read further events (drain() again) but must not
    // destroy the connection.
    void watch(std::function<void(const xcb_generic_event_t&)> handler);
    // Hands on every event waiting now, including those a handler's own requests pulled in.
    void drain();
    // Sends the requests made so far without waiting for a reply.
    void flush();
    // Hands on, on a later turn of the event loop, the events that arrived while a reply was awaited
    // outside the handler: XCB read them off the socket with the reply and keeps them in its queue,
    // where the socket no longer announces them. Every wait for a reply outside the handler must
    // be followed by this, or those events wait for the next unrelated one.
    void drainLater();

private:
    void close();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    std::uint8_t m_inputOpcode = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void(const xcb_generic_event_t&)> m_handler;
};

}  // namespace tarnlet::linux_desktop
