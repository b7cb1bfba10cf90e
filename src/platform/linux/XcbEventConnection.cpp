#include "platform/linux/XcbEventConnection.h"

#include <xcb/xinput.h>

#include <QSocketNotifier>

#include <cstdlib>

namespace tarnlet::linux_desktop {

XcbEventConnection::XcbEventConnection() {
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
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
}

XcbEventConnection::~XcbEventConnection() {
    m_notifier.reset();
    if (m_connection) xcb_disconnect(m_connection);
}

void XcbEventConnection::close() {
    // Called while the notifier may be announcing data: it goes once that is over.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
    }
    if (m_connection) xcb_disconnect(m_connection);
    m_connection = nullptr;
}

bool XcbEventConnection::selectRawEvents(std::uint32_t mask) {
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
    // Events that came in while the setup waited for its replies sit in XCB's queue already, where
    // the socket no longer announces them.
    drain();
    return true;
}

void XcbEventConnection::drain() {
    if (!m_connection) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if (onEvent) onEvent(*event);
        std::free(event);
        if (!m_connection) return;
    }
    // A broken connection stays readable forever.
    if (xcb_connection_has_error(m_connection)) close();
}

void XcbEventConnection::flush() {
    if (m_connection) xcb_flush(m_connection);
}

}  // namespace tarnlet::linux_desktop
