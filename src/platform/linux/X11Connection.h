#pragma once
// One connection to the X server whose every round trip is bounded: a reply is awaited until a
// deadline and given up afterwards, so a server held by another client's grab stalls the caller
// for that long at most, never for good. Requests are sent first and their replies collected
// afterwards, so that reading a property of fifty windows costs one wait, not fifty.
//
//     X11Connection connection;
//     const Deadline deadline = X11Connection::deadlineAfter(1.0);
//     const unsigned int pid = connection.requestProperty(window, atoms.netWmPid);
//     const Property value = connection.property(pid, deadline);
//     if (value.status == Property::Status::noAnswer) …
//
// Threading: a connection is used by one thread at a time; X11Display hands each thread its own.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnlet::linux_desktop {

using Deadline = std::chrono::steady_clock::time_point;

// A window property as the server answered it. An absent property has the type XCB_NONE.
struct Property {
    enum class Status { ok, windowGone, noAnswer };
    Status status = Status::noAnswer;
    xcb_atom_t type = XCB_NONE;
    std::uint8_t format = 0;
    std::vector<std::uint8_t> bytes;

    bool exists() const { return status == Status::ok && type != XCB_NONE; }
    // The values of a property of 32-bit items (cardinals, windows, atoms).
    std::vector<std::uint32_t> words() const;
    std::optional<std::uint32_t> word() const;
    // The bytes of a string property, up to its first NUL.
    std::string text() const;
};

// Frees what XCB allocated for a reply.
struct FreeReply {
    void operator()(void* reply) const;
};
template <class Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeReply>;

// The atom of a name on any connection, made when the server has none yet; XCB_ATOM_NONE when the
// server did not answer. One round trip, not bounded: for connections whose replies the caller
// awaits anyway (Qt's own, an event connection's).
xcb_atom_t internAtom(xcb_connection_t* connection, const char* name);

class X11Connection {
public:
    // Connects to the display DISPLAY names; isOpen() says whether that worked.
    X11Connection();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    static Deadline deadlineAfter(double seconds);

    bool isOpen() const { return m_connection && !xcb_connection_has_error(m_connection); }
    xcb_connection_t* get() const { return m_connection; }
    // The first screen's root window, or XCB_NONE.
    xcb_window_t root() const { return m_root; }

    // The reply to a request (by its sequence number), or null when none came by the deadline or the
    // server answered with an error; `gone` is set when that error says the window does not exist.
    template <class Reply>
    ReplyPointer<Reply> await(unsigned int sequence, Deadline deadline, bool* gone = nullptr) {
        return ReplyPointer<Reply>(static_cast<Reply*>(awaitReply(sequence, deadline, gone)));
    }

    // Asks for a property of up to `maxWords` 32-bit units, of any type.
    unsigned int requestProperty(xcb_window_t window, xcb_atom_t atom, std::uint32_t maxWords = 4096);
    Property property(unsigned int sequence, Deadline deadline);
    Property readProperty(xcb_window_t window, xcb_atom_t atom, Deadline deadline) {
        return property(requestProperty(window, atom), deadline);
    }

    // Sends a 32-bit client message to the root window, the way EWMH asks window managers for a
    // change on a client's behalf.
    void sendToRoot(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1 = 0, std::uint32_t d2 = 0,
                    std::uint32_t d3 = 0, std::uint32_t d4 = 0);
    void setEventMask(xcb_window_t window, std::uint32_t mask);
    void flush() { xcb_flush(m_connection); }

    // Waits for an event that `wanted` accepts, dropping the others, until the deadline; false when
    // none came.
    bool awaitEvent(const std::function<bool(const xcb_generic_event_t&)>& wanted, Deadline deadline);
    // Drops the events and the errors of unchecked requests that have queued up.
    void discardEvents();

private:
    void* awaitReply(unsigned int sequence, Deadline deadline, bool* gone);
    // Waits until the socket has data or the deadline passed; false at the deadline.
    bool waitReadable(Deadline deadline) const;

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
};

}  // namespace tarnlet::linux_desktop
