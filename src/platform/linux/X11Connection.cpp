#include "platform/linux/X11Connection.h"

#include <poll.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tarnlet::linux_desktop {

std::vector<std::uint32_t> Property::words() const {
    if (status != Status::ok || format != 32 || bytes.size() < 4) return {};
    std::vector<std::uint32_t> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

std::optional<std::uint32_t> Property::word() const {
    const std::vector<std::uint32_t> values = words();
    if (values.empty()) return std::nullopt;
    return values.front();
}

std::string Property::text() const {
    if (status != Status::ok || format != 8) return {};
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t(0));
    return std::string(bytes.begin(), end);
}

void FreeReply::operator()(void* reply) const { std::free(reply); }

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

X11Connection::X11Connection() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (screens.rem) m_root = screens.data->root;
}

X11Connection::~X11Connection() {
    if (m_connection) xcb_disconnect(m_connection);
}

Deadline X11Connection::deadlineAfter(double seconds) {
    const double bounded = std::isfinite(seconds) && seconds > 0 ? std::min(seconds, 3600.0) : 0.0;
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(bounded));
}

bool X11Connection::waitReadable(Deadline deadline) const {
    const auto remaining = deadline - std::chrono::steady_clock::now();
    if (remaining <= std::chrono::steady_clock::duration::zero()) return false;
    // Rounded up, so a wait never ends a hair before its deadline and spins.
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
    const int ready = ::poll(&descriptor, 1, static_cast<int>(milliseconds));
    return ready > 0 || (ready < 0 && errno == EINTR) || std::chrono::steady_clock::now() < deadline;
}

void* X11Connection::awaitReply(unsigned int sequence, Deadline deadline, bool* gone) {
    if (gone) *gone = false;
    if (!isOpen()) return nullptr;
    xcb_flush(m_connection);
    for (;;) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (xcb_poll_for_reply(m_connection, sequence, &reply, &error)) {
            if (!error) return reply;
            // BadWindow and BadDrawable: the window was destroyed before the server came to it.
            if (gone && (error->error_code == 3 || error->error_code == 9)) *gone = true;
            std::free(error);
            std::free(reply);
            return nullptr;
        }
        // A broken connection stays readable and never answers: stop at once rather than spin.
        if (xcb_connection_has_error(m_connection)) return nullptr;
        if (!waitReadable(deadline)) {
            xcb_discard_reply(m_connection, sequence);
            return nullptr;
        }
    }
}

unsigned int X11Connection::requestProperty(xcb_window_t window, xcb_atom_t atom, std::uint32_t maxWords) {
    return xcb_get_property(m_connection, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, maxWords).sequence;
}

Property X11Connection::property(unsigned int sequence, Deadline deadline) {
    Property result;
    bool gone = false;
    const auto reply = await<xcb_get_property_reply_t>(sequence, deadline, &gone);
    if (!reply) {
        result.status = gone ? Property::Status::windowGone : Property::Status::noAnswer;
        return result;
    }
    result.status = Property::Status::ok;
    result.type = reply->type;
    result.format = reply->format;
    const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get()));
    result.bytes.assign(data, data + xcb_get_property_value_length(reply.get()));
    return result;
}

void X11Connection::sendToRoot(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1,
                               std::uint32_t d2, std::uint32_t d3, std::uint32_t d4) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    message.data.data32[0] = d0;
    message.data.data32[1] = d1;
    message.data.data32[2] = d2;
    message.data.data32[3] = d3;
    message.data.data32[4] = d4;
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(m_connection);
}

void X11Connection::setEventMask(xcb_window_t window, std::uint32_t mask) {
    xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

bool X11Connection::awaitEvent(const std::function<bool(const xcb_generic_event_t&)>& wanted, Deadline deadline) {
    if (!isOpen()) return false;
    xcb_flush(m_connection);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const bool found = wanted(*event);
            std::free(event);
            if (found) return true;
        }
        if (xcb_connection_has_error(m_connection) || !waitReadable(deadline)) return false;
    }
}

void X11Connection::discardEvents() {
    if (!m_connection) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) std::free(event);
}

}  // namespace tarnlet::linux_desktop
