#include "platform/linux/X11InputIdle.h"

#include <xcb/screensaver.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <cstdlib>

#include "platform/linux/XcbEventConnection.h"

namespace tarnlet::linux_desktop {

namespace {

// The pointer's x and y are the first two valuators of every X pointer device; a raw motion that
// moves neither only turned a wheel or a touchpad's scroll axis.
bool movesPointer(const xcb_input_raw_button_press_event_t* event) {
    const int words = xcb_input_raw_button_press_valuator_mask_length(event);
    if (words <= 0) return false;
    return (xcb_input_raw_button_press_valuator_mask(event)[0] & 0x3u) != 0;
}

}  // namespace

X11InputIdle::X11InputIdle(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root), m_start(std::chrono::steady_clock::now()) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_screensaver_id);
    m_screenSaver = extension && extension->present && root != XCB_NONE;
    m_serverIdleAtStart = serverIdle().value_or(0);
    if (root == XCB_NONE) return;
    m_raw = std::make_unique<XcbEventConnection>();
    m_raw->onEvent = [this](const xcb_generic_event_t& event) { record(&event); };
    // Version 2.1 is where raw events come during grabs too: under 2.0 the release of a button that
    // started an implicit grab would never arrive, and every motion after it would read as a drag.
    const std::uint32_t mask = XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
                               XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE |
                               XCB_INPUT_XI_EVENT_MASK_RAW_MOTION;
    if (!m_raw->selectRawEvents(mask)) m_raw.reset();
}

X11InputIdle::~X11InputIdle() = default;

bool X11InputIdle::watchesRawEvents() const { return m_raw && m_raw->isOpen(); }

void X11InputIdle::drain() const {
    if (m_raw) m_raw->drain();
}

void X11InputIdle::record(const xcb_generic_event_t* event) const {
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC) return;
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (generic->extension != m_raw->inputOpcode()) return;
    const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
    switch (generic->event_type) {
        case XCB_INPUT_RAW_KEY_PRESS: seen(EventType::keyDown); break;
        case XCB_INPUT_RAW_KEY_RELEASE: seen(EventType::keyUp); break;
        case XCB_INPUT_RAW_BUTTON_PRESS:
            if (raw->detail == 1) m_leftHeld = true;
            if (raw->detail == 3) m_rightHeld = true;
            if (raw->detail == 1) seen(EventType::leftMouseDown);
            else if (raw->detail == 3) seen(EventType::rightMouseDown);
            else if (raw->detail >= 4 && raw->detail <= 7) seen(EventType::scrollWheel);
            else seen(EventType::otherMouseDown);
            break;
        case XCB_INPUT_RAW_BUTTON_RELEASE:
            if (raw->detail == 1) m_leftHeld = false;
            if (raw->detail == 3) m_rightHeld = false;
            if (raw->detail == 1) seen(EventType::leftMouseUp);
            else if (raw->detail == 3) seen(EventType::rightMouseUp);
            else if (raw->detail < 4 || raw->detail > 7) seen(EventType::otherMouseUp);
            break;
        case XCB_INPUT_RAW_MOTION:
            if (!movesPointer(raw)) seen(EventType::scrollWheel);
            else if (m_leftHeld) seen(EventType::leftMouseDragged);
            else if (m_rightHeld) seen(EventType::rightMouseDragged);
            else seen(EventType::mouseMoved);
            break;
        default: break;
    }
}

void X11InputIdle::seen(EventType type) const { m_lastSeen[type] = now(); }

double X11InputIdle::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

std::optional<double> X11InputIdle::serverIdle() const {
    if (!m_screenSaver) return std::nullopt;
    auto cookie = xcb_screensaver_query_info(m_connection, m_root);
    xcb_screensaver_query_info_reply_t* reply = xcb_screensaver_query_info_reply(m_connection, cookie, nullptr);
    if (!reply) return std::nullopt;
    const double seconds = reply->ms_since_user_input / 1000.0;
    std::free(reply);
    return seconds;
}

double X11InputIdle::secondsSinceLastEvent(EventType type) const {
    // The server is asked first: it writes the raw events of any input it counted to the other
    // connection before it answers, so the drain below finds them.
    const std::optional<double> server = serverIdle();
    drain();
    if (!watchesRawEvents() || m_lastSeen.empty()) return server.value_or(0);

    const double current = now();
    double leastIdle = current - m_lastSeen.begin()->second;
    for (const auto& [kind, at] : m_lastSeen) leastIdle = std::min(leastIdle, current - at);
    // Input the raw stream did not show: every kind is as recent as the server says.
    if (server && *server + kClockSkewSeconds < leastIdle) return *server;

    const auto found = m_lastSeen.find(type);
    const double idle = found != m_lastSeen.end() ? current - found->second : m_serverIdleAtStart + current;
    // The most recent kind is the server's own reading, which it never exceeds; the two clocks
    // differ by the moments between the server's count and this process reading the event.
    if (server && found != m_lastSeen.end() && idle <= leastIdle) return std::max(0.0, std::min(idle, *server));
    return std::max(0.0, idle);
}

}  // namespace tarnlet::linux_desktop
