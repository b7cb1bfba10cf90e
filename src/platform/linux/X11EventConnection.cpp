#include "platform/linux/X11EventConnection.h"

#include <xcb/xinput.h>

#include <QSocketNotifier>

#include <cstdlib>

namespace tarnlet::linux_desktop {

X11EventConnection::X11EventConnection() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_root = screens.data->root;
}

X11EventConnection::~X11EventConnection() {
    m_notifier.reset();
    if (m_connection) xcb_disconnect(m_connection);
}

bool X11EventConnection::selectRawEvents(std::uint32_t mask) {
    if (!m_connection) return false;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_input_id);
    if (!extension || !extension->present) return false;
    auto* version =
        xcb_input_xi_query_version_reply(m_connection, xcb_input_xi_query_version(m_connection, 2, 2), nullptr);
    const bool recent = version && (version->major_version > 2 ||
                                    (version->major_version == 2 && version->minor_version >= 1));
    std::free(version);
    if (!recent) return false;

    // The masters only: selecting every device as well would deliver each event twice.
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    xcb_generic_error_t* error =
        xcb_request_check(m_connection, xcb_input_xi_select_events_checked(m_connection, m_root, 1, &selection.head));
    if (error) {
        std::free(error);
        return false;
    }
    m_inputOpcode = extension->major_opcode;
    return true;
}

std::uint16_t X11EventConnection::rawEventType(const xcb_generic_event_t& event) const {
    if (m_inputOpcode == 0 || (event.response_type & 0x7f) != XCB_GE_GENERIC) return 0;
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    return generic.extension == m_inputOpcode ? generic.event_type : 0;
}

bool X11EventConnection::movesPointer(const xcb_generic_event_t& rawMotion) {
    // The pointer's x and y are the first two valuators of every X pointer device.
    const auto* event = reinterpret_cast<const xcb_input_raw_motion_event_t*>(&rawMotion);
    const int words = xcb_input_raw_button_press_valuator_mask_length(event);
    return words > 0 && (xcb_input_raw_button_press_valuator_mask(event)[0] & 0x3u) != 0;
}

void X11EventConnection::watch(std::function<void(const xcb_generic_event_t&)> handler) {
    if (!m_connection) return;
    m_handler = std::move(handler);
    if (!m_notifier) {
        m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
    }
    // Events that came in while the setup waited for its replies sit in XCB's queue already, where
    // the socket no longer announces them.
    drain();
}

void X11EventConnection::drain() {
    if (!m_connection) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if (m_handler) m_handler(*event);
        std::free(event);
        if (!m_connection) return;
    }
    // A broken connection stays readable forever; stop watching it so the event loop does not spin.
    if (xcb_connection_has_error(m_connection)) close();
}

void X11EventConnection::drainLater() {
    // The notifier is the context: a connection closed or gone by then drains nothing.
    if (m_notifier) QMetaObject::invokeMethod(m_notifier.get(), [this] { drain(); }, Qt::QueuedConnection);
}

void X11EventConnection::flush() {
    if (m_connection) xcb_flush(m_connection);
}

void X11EventConnection::close() {
    if (m_notifier) {
        // This runs inside the notifier's own signal.
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
    }
    xcb_disconnect(m_connection);
    m_connection = nullptr;
}

}  // namespace tarnlet::linux_desktop
