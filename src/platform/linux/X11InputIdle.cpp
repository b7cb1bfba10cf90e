#include "platform/linux/X11InputIdle.h"

#include <xcb/screensaver.h>

#include <cstdlib>

namespace tarnlet::linux_desktop {

X11InputIdle::X11InputIdle(xcb_connection_t* connection, xcb_window_t root) : m_connection(connection), m_root(root) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_screensaver_id);
    m_available = extension && extension->present;
}

double X11InputIdle::secondsSinceLastEvent(EventType) const {
    if (!m_available) return 0;
    auto cookie = xcb_screensaver_query_info(m_connection, m_root);
    xcb_screensaver_query_info_reply_t* reply = xcb_screensaver_query_info_reply(m_connection, cookie, nullptr);
    if (!reply) return 0;
    const double seconds = reply->ms_since_user_input / 1000.0;
    std::free(reply);
    return seconds;
}

}  // namespace tarnlet::linux_desktop
