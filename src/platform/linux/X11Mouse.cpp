#include "platform/linux/X11Mouse.h"

#include <xcb/xfixes.h>
#include <xcb/xinput.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/linux/QtScreens.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11EventConnection.h"

namespace tarnlet::linux_desktop {

struct X11Mouse::Monitor {
    bool global = false;
    MouseEventMask mask = 0;
    Handler handler;
    bool removed = false;
};

namespace {

constexpr std::uint32_t kLeftButton = 1;
constexpr std::uint32_t kRightButton = 3;

class MonitorHandle : public MouseMonitor {
public:
    explicit MonitorHandle(std::shared_ptr<X11Mouse::Monitor> monitor) : m_monitor(std::move(monitor)) {}
    // Only marks the monitor: its handler may be the one running right now, so the delivery that
    // holds it lets it go.
    ~MonitorHandle() override { m_monitor->removed = true; }

private:
    std::shared_ptr<X11Mouse::Monitor> m_monitor;
};

// Buttons 4 to 7 are the wheel's four directions: each notch is a press and a release at once.
bool isWheel(std::uint32_t logical) { return logical >= 4 && logical <= 7; }

// Whether a window of this application that takes the mouse is the one under the pointer.
bool ownWindowUnderPointer() {
    // The server's answer costs round trips; most of the time no window of ours could be hit.
    const QWindowList windows = QGuiApplication::topLevelWindows();
    const bool anyTakesMouse = std::any_of(windows.begin(), windows.end(), [](const QWindow* window) {
        return window->isVisible() && !(window->flags() & Qt::WindowTransparentForInput);
    });
    if (!anyTakesMouse) return false;
    // The server walks its window tree, so another client's window above ours wins, and a window
    // whose input shape is empty is passed through.
    const QWindow* window = QGuiApplication::topLevelAt(QCursor::pos());
    return window && !(window->flags() & Qt::WindowTransparentForInput);
}

}  // namespace

class X11Mouse::LocalEvents : public QObject {
public:
    explicit LocalEvents(X11Mouse& mouse) : m_mouse(mouse) { QCoreApplication::instance()->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type kind = event->type();
        if (kind != QEvent::MouseButtonPress && kind != QEvent::MouseMove && kind != QEvent::MouseButtonRelease)
            return false;
        // A widget hears each mouse event again after its window did: the window's is the one.
        if (!watched->isWindowType()) return false;
        std::optional<MouseEventType> type;
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        switch (kind) {
            case QEvent::MouseButtonPress:
                if (mouse->button() == Qt::LeftButton) type = MouseEventType::leftDown;
                else if (mouse->button() == Qt::RightButton) type = MouseEventType::rightDown;
                break;
            case QEvent::MouseMove:
                if (mouse->buttons() & Qt::LeftButton) type = MouseEventType::leftDragged;
                else if (mouse->buttons() == Qt::NoButton) type = MouseEventType::moved;
                break;
            case QEvent::MouseButtonRelease:
                if (mouse->button() == Qt::LeftButton) type = MouseEventType::leftUp;
                break;
            default: break;
        }
        if (type) m_mouse.deliver({*type, QtScreens::toDesktop(mouse->globalPosition().toPoint())}, false);
        return false;
    }

private:
    X11Mouse& m_mouse;
};

X11Mouse::X11Mouse() : m_events(std::make_unique<X11EventConnection>()) {
    if (QCoreApplication::instance()) m_localEvents = std::make_unique<LocalEvents>(*this);
    xcb_connection_t* connection = m_events->connection();
    if (!connection) return;
    m_hearsRawEvents = m_events->selectRawEvents(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                                                 XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE |
                                                 XCB_INPUT_XI_EVENT_MASK_RAW_MOTION);
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        // The server refuses every XFixes request of a client that has not told it its version.
        std::free(xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
        m_dndSelection = internAtom(connection, "XdndSelection");
        xcb_xfixes_select_selection_input(connection, m_events->root(), m_dndSelection,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
        m_xfixesFirstEvent = xfixes->first_event;
    }
    readButtonMapping();
    m_events->watch([this](const xcb_generic_event_t& event) { handle(event); });
}

X11Mouse::~X11Mouse() = default;

bool X11Mouse::hearsGlobalEvents() const { return m_hearsRawEvents && m_events->isOpen(); }

Point X11Mouse::location() const { return QtScreens::toDesktop(QCursor::pos()); }

std::unique_ptr<MouseMonitor> X11Mouse::addGlobalMonitor(MouseEventMask mask, Handler handler) {
    return add(true, mask, std::move(handler));
}

std::unique_ptr<MouseMonitor> X11Mouse::addLocalMonitor(MouseEventMask mask, Handler handler) {
    return add(false, mask, std::move(handler));
}

std::unique_ptr<MouseMonitor> X11Mouse::add(bool global, MouseEventMask mask, Handler handler) {
    if (!handler || mask == 0) return nullptr;
    // A delivery in progress works on its own copy of the list, so pruning here is safe.
    std::erase_if(m_monitors, [](const auto& monitor) { return monitor->removed; });
    auto monitor = std::make_shared<Monitor>(Monitor{global, mask, std::move(handler)});
    m_monitors.push_back(monitor);
    return std::make_unique<MonitorHandle>(monitor);
}

void X11Mouse::handle(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (m_xfixesFirstEvent != 0 && type == m_xfixesFirstEvent + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
        // Giving the selection up is no new drag.
        if (notify.selection == m_dndSelection && notify.owner != XCB_NONE) ++m_dragPasteboardChangeCount;
        return;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        if (reinterpret_cast<const xcb_mapping_notify_event_t&>(event).request == XCB_MAPPING_POINTER)
            readButtonMapping();
        return;
    }
    switch (m_events->rawEventType(event)) {
        case XCB_INPUT_RAW_BUTTON_PRESS:
        case XCB_INPUT_RAW_BUTTON_RELEASE: {
            const auto& raw = reinterpret_cast<const xcb_input_raw_button_press_event_t&>(event);
            rawButton(raw.detail, raw.event_type == XCB_INPUT_RAW_BUTTON_PRESS);
            break;
        }
        case XCB_INPUT_RAW_MOTION:
            if (X11EventConnection::movesPointer(event)) rawMotion();
            break;
        default: break;
    }
}

void X11Mouse::readButtonMapping() {
    xcb_connection_t* connection = m_events->connection();
    auto* reply = xcb_get_pointer_mapping_reply(connection, xcb_get_pointer_mapping(connection), nullptr);
    m_buttonMap.clear();
    if (!reply) return;
    const std::uint8_t* map = xcb_get_pointer_mapping_map(reply);
    m_buttonMap.push_back(0);
    m_buttonMap.insert(m_buttonMap.end(), map, map + xcb_get_pointer_mapping_map_length(reply));
    std::free(reply);
}

std::uint32_t X11Mouse::logicalButton(std::uint32_t physical) const {
    return physical < m_buttonMap.size() ? m_buttonMap[physical] : physical;
}

bool X11Mouse::isHeld(std::uint32_t logical) const {
    for (std::uint32_t physical = 1; physical < 32; ++physical)
        if ((m_heldPhysical & (1u << physical)) && logicalButton(physical) == logical) return true;
    return false;
}

void X11Mouse::rawButton(std::uint32_t physical, bool pressed) {
    const std::uint32_t logical = logicalButton(physical);
    if (physical < 32 && !isWheel(logical)) {
        if (pressed) m_heldPhysical |= 1u << physical;
        else m_heldPhysical &= ~(1u << physical);
    }
    if (logical == kLeftButton && pressed) {
        // Decided at every press, watched or not: a monitor added during the drag (as the drag
        // watcher adds its release monitor) must still hear only what the press implies.
        m_leftPressedOnOwnWindow = ownWindowUnderPointer();
        deliverGlobal(MouseEventType::leftDown, m_leftPressedOnOwnWindow);
    } else if (logical == kLeftButton) {
        deliverGlobal(MouseEventType::leftUp, std::exchange(m_leftPressedOnOwnWindow, false));
    } else if (logical == kRightButton && pressed && wantsGlobal(MouseEventType::rightDown)) {
        deliverGlobal(MouseEventType::rightDown, ownWindowUnderPointer());
    }
}

void X11Mouse::rawMotion() {
    if (isHeld(kLeftButton)) {
        deliverGlobal(MouseEventType::leftDragged, m_leftPressedOnOwnWindow);
        return;
    }
    // A drag with another button is none of the kinds the monitors ask for.
    if (m_heldPhysical != 0 || !wantsGlobal(MouseEventType::moved)) return;
    deliverGlobal(MouseEventType::moved, ownWindowUnderPointer());
}

bool X11Mouse::wantsGlobal(MouseEventType type) const {
    return std::any_of(m_monitors.begin(), m_monitors.end(), [type](const auto& monitor) {
        return monitor->global && !monitor->removed && (monitor->mask & maskOf(type));
    });
}

void X11Mouse::deliverGlobal(MouseEventType type, bool aimedAtOwnWindow) {
    if (aimedAtOwnWindow || !wantsGlobal(type)) return;
    deliver({type, location()}, true);
}

void X11Mouse::deliver(const MouseEvent& event, bool global) {
    const auto monitors = m_monitors;  // a handler may add or remove monitors
    for (const auto& monitor : monitors) {
        if (monitor->removed || monitor->global != global || !(monitor->mask & maskOf(event.type))) continue;
        monitor->handler(event);
    }
}

}  // namespace tarnlet::linux_desktop
