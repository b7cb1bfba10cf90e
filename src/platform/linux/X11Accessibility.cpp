#include "platform/linux/X11Accessibility.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <set>
#include <utility>

#include "base/WeakToken.h"
#include "platform/MainQueue.h"
#include "platform/linux/Ewmh.h"
#include "platform/linux/EwmhWatcher.h"
#include "platform/linux/X11Display.h"

namespace tarnlet::linux_desktop {

namespace {

const std::string kRole = "AXRole";
const std::string kSubrole = "AXSubrole";
const std::string kTitle = "AXTitle";
const std::string kPosition = "AXPosition";
const std::string kSize = "AXSize";
const std::string kMinimized = "AXMinimized";
const std::string kCloseButton = "AXCloseButton";
const std::string kWindows = "AXWindows";
const std::string kFocusedWindow = "AXFocusedWindow";
const std::string kMainWindow = "AXMainWindow";

const std::string kWindowCreated = "AXWindowCreated";
const std::string kDestroyed = "AXUIElementDestroyed";
const std::string kFocusedWindowChanged = "AXFocusedWindowChanged";
const std::string kMainWindowChanged = "AXMainWindowChanged";
const std::string kMiniaturized = "AXWindowMiniaturized";
const std::string kDeminiaturized = "AXWindowDeminiaturized";
const std::string kTitleChanged = "AXTitleChanged";

const std::set<std::string>& supportedNotifications() {
    static const std::set<std::string> names{kWindowCreated, kDestroyed,      kFocusedWindowChanged, kMainWindowChanged,
                                             kMiniaturized,  kDeminiaturized, kTitleChanged};
    return names;
}

// Element identifiers: the process number in bits 32 to 62, the client window in the low 32 bits
// (none for the application), and bit 63 for a window's close button.
constexpr std::uint64_t kCloseButtonBit = 1ull << 63;

AXElement applicationElement(int pid) { return AXElement(static_cast<std::uint64_t>(pid) << 32); }

// EWMH's source indication for requests made on the user's behalf (a pager or a taskbar), which
// window managers carry out without applying their focus-stealing rules.
constexpr std::uint32_t kUserSource = 2;
// ICCCM's gravity under which a requested position is that of the window manager's frame.
constexpr std::uint32_t kNorthWestGravity = 1;
constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kRemoveState = 0;

bool processRuns(int pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

std::string subrole(WindowKind kind) {
    switch (kind) {
        case WindowKind::normal: return "AXStandardWindow";
        case WindowKind::dialog: return "AXDialog";
        case WindowKind::utility: return "AXFloatingWindow";
        case WindowKind::dock:
        case WindowKind::menu:
        case WindowKind::notification: return "AXSystemFloatingWindow";
        case WindowKind::desktop:
        case WindowKind::splash: break;
    }
    return "AXUnknown";
}

bool isMovable(WindowKind kind) { return kind != WindowKind::dock && kind != WindowKind::desktop; }

bool isPropertyNotify(const xcb_generic_event_t& event, xcb_window_t window, xcb_atom_t atom) {
    if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
    const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
    return notify.window == window && notify.atom == atom;
}

bool isConfigureNotify(const xcb_generic_event_t& event, xcb_window_t window) {
    if ((event.response_type & 0x7f) != XCB_CONFIGURE_NOTIFY) return false;
    return reinterpret_cast<const xcb_configure_notify_event_t&>(event).window == window;
}

// The facts of the target's window while it is a managed client of the target's process.
AXError managedClient(Ewmh& ewmh, int pid, xcb_window_t window, ClientFacts& facts) {
    const auto clients = ewmh.managedWindows();
    if (!clients) return AXError::cannotComplete;
    if (std::find(clients->begin(), clients->end(), window) == clients->end()) return AXError::invalidUIElement;
    const std::vector<ClientFacts> list = ewmh.facts({window});
    if (!ewmh.answered()) return AXError::cannotComplete;
    if (list.empty() || list.front().gone || list.front().pid != pid) return AXError::invalidUIElement;
    facts = list.front();
    return AXError::success;
}

}  // namespace

struct X11Accessibility::Target {
    enum class Kind { application, window, closeButton };
    Kind kind = Kind::application;
    int pid = 0;
    xcb_window_t window = XCB_NONE;

    static std::optional<Target> of(const AXElement& element) {
        const std::uint64_t id = element.id();
        Target target;
        target.pid = static_cast<int>((id >> 32) & 0x7FFFFFFF);
        target.window = static_cast<xcb_window_t>(id & 0xFFFFFFFF);
        if (target.pid <= 0) return std::nullopt;
        if (id & kCloseButtonBit) {
            if (target.window == XCB_NONE) return std::nullopt;
            target.kind = Kind::closeButton;
        } else {
            target.kind = target.window == XCB_NONE ? Kind::application : Kind::window;
        }
        return target;
    }
};

// The notifications of one process, worked out by comparing what the process shows after each
// change the watcher reports with what it showed before.
class X11AXObserver : public AXObserver {
public:
    X11AXObserver(EwmhWatcher& watcher, MainQueue& queue, int pid, AXObserverCallback callback)
        : m_watcher(watcher), m_queue(queue), m_pid(pid), m_callback(std::move(callback)), m_view(view()) {
        m_subscription = m_watcher.observe([this](const EwmhWatcher::Change& change) { changed(change); });
    }

    AXError addNotification(const AXElement& element, const std::string& notification) override {
        const AXError error = check(element, notification);
        if (error != AXError::success) return error;
        if (!m_registrations.insert({element.id(), notification}).second) return AXError::notificationAlreadyRegistered;
        return AXError::success;
    }

    AXError removeNotification(const AXElement& element, const std::string& notification) override {
        if (!m_registrations.erase({element.id(), notification})) return AXError::notificationNotRegistered;
        return AXError::success;
    }

private:
    // What the process shows, as far as its notifications go.
    struct View {
        std::set<xcb_window_t> windows;
        std::set<xcb_window_t> minimized;
        std::optional<xcb_window_t> focused;
    };

    View view() const {
        View view;
        for (const xcb_window_t window : m_watcher.windowsOf(m_pid)) {
            view.windows.insert(window);
            if (const ClientFacts* facts = m_watcher.facts(window); facts && facts->hidden)
                view.minimized.insert(window);
        }
        view.focused =
            Ewmh::focusedWindow(m_pid, m_watcher.activeWindow(), m_watcher.stackingFacts(), m_watcher.currentDesktop());
        return view;
    }

    AXError check(const AXElement& element, const std::string& notification) const {
        const auto target = X11Accessibility::Target::of(element);
        if (!target || target->pid != m_pid || notification.empty()) return AXError::illegalArgument;
        if (!processRuns(m_pid)) return AXError::invalidUIElement;
        if (target->kind != X11Accessibility::Target::Kind::application && !m_view.windows.count(target->window))
            return AXError::invalidUIElement;
        if (!supportedNotifications().count(notification)) return AXError::notificationUnsupported;
        return AXError::success;
    }

    void changed(const EwmhWatcher::Change& change) {
        const View now = view();
        const View before = std::exchange(m_view, now);
        for (const xcb_window_t window : now.windows)
            if (!before.windows.count(window)) post(window, kWindowCreated);
        for (const xcb_window_t window : before.windows) {
            if (now.windows.count(window)) continue;
            post(window, kDestroyed);
            // A window that is gone says nothing more; its registrations go with it.
            const std::uint64_t element = X11Accessibility::windowElement(m_pid, window).id();
            std::erase_if(m_registrations, [&](const auto& registration) { return registration.first == element; });
        }
        if (now.focused != before.focused) {
            post(now.focused.value_or(XCB_NONE), kFocusedWindowChanged);
            post(now.focused.value_or(XCB_NONE), kMainWindowChanged);
        }
        for (const xcb_window_t window : now.minimized)
            if (before.windows.count(window) && !before.minimized.count(window)) post(window, kMiniaturized);
        for (const xcb_window_t window : before.minimized)
            if (now.windows.count(window) && !now.minimized.count(window)) post(window, kDeminiaturized);
        for (const xcb_window_t window : change.retitled)
            if (now.windows.count(window)) post(window, kTitleChanged);
        if (change.exited.count(m_pid)) post(XCB_NONE, kDestroyed);
    }

    // Queues the notification for a window of the process (or the process itself, XCB_NONE) when it
    // is registered on that element or on the application.
    void post(xcb_window_t window, const std::string& notification) {
        const AXElement application = applicationElement(m_pid);
        const AXElement element = window == XCB_NONE ? application : X11Accessibility::windowElement(m_pid, window);
        if (!m_registrations.count({element.id(), notification}) &&
            !m_registrations.count({application.id(), notification}))
            return;
        // Delivered on a later turn, and only if this observer still lives then.
        m_queue.post(m_weak.bind([this, element, notification] {
            if (const auto callback = m_callback) callback(element, notification);
        }));
    }

    EwmhWatcher& m_watcher;
    MainQueue& m_queue;
    int m_pid;
    AXObserverCallback m_callback;
    View m_view;
    std::set<std::pair<std::uint64_t, std::string>> m_registrations;
    Subscription m_subscription;
    WeakFactory m_weak;
};

X11Accessibility::X11Accessibility(X11Display& display, EwmhWatcher& watcher, MainQueue& queue)
    : m_display(display), m_watcher(watcher), m_queue(queue) {}

X11Accessibility::~X11Accessibility() = default;

AXElement X11Accessibility::windowElement(int pid, xcb_window_t window) {
    return AXElement(applicationElement(pid).id() | window);
}

std::optional<xcb_window_t> X11Accessibility::windowOf(const AXElement& element) {
    const auto target = Target::of(element);
    if (!target || target->kind == Target::Kind::application) return std::nullopt;
    return target->window;
}

AXElement X11Accessibility::createApplication(int pid) {
    // Like the original call this only wraps the process number; calls on the element fail later
    // when no such process runs.
    return pid > 0 ? applicationElement(pid) : AXElement();
}

AXError X11Accessibility::setMessagingTimeout(const AXElement& element, double seconds) {
    if (!Target::of(element) || !(seconds >= 0) || !std::isfinite(seconds)) return AXError::illegalArgument;
    const std::lock_guard lock(m_timeoutsMutex);
    m_timeouts[element.id()] = seconds;
    return AXError::success;
}

double X11Accessibility::messagingTimeout(const AXElement& element) const {
    const std::lock_guard lock(m_timeoutsMutex);
    auto it = m_timeouts.find(element.id());
    // An element without a timeout of its own waits as long as its application does.
    if (it == m_timeouts.end()) {
        if (const auto target = Target::of(element)) it = m_timeouts.find(applicationElement(target->pid).id());
    }
    // A timeout of 0 means the default, as on the original platform.
    return it == m_timeouts.end() || it->second == 0 ? kDefaultMessagingTimeout : it->second;
}

AXError X11Accessibility::copyAttribute(const AXElement& element, const std::string& attribute, AXValue& value) {
    const auto target = Target::of(element);
    if (!target) return AXError::illegalArgument;
    if (!processRuns(target->pid)) return AXError::invalidUIElement;
    X11Connection* connection = m_display.isOpen() ? m_display.connection() : nullptr;
    if (!connection) return AXError::cannotComplete;
    connection->discardEvents();
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(messagingTimeout(element)));
    if (target->kind == Target::Kind::application) return copyApplicationAttribute(ewmh, *target, attribute, value);

    ClientFacts facts;
    if (const AXError error = managedClient(ewmh, target->pid, target->window, facts); error != AXError::success)
        return error;
    if (target->kind == Target::Kind::closeButton) {
        if (attribute == kRole)
            value = std::string("AXButton");
        else if (attribute == kSubrole)
            value = std::string("AXCloseButton");
        else
            return AXError::attributeUnsupported;
        return AXError::success;
    }
    if (attribute == kRole) {
        value = std::string("AXWindow");
    } else if (attribute == kSubrole) {
        value = subrole(facts.kind);
    } else if (attribute == kMinimized) {
        value = facts.hidden;
    } else if (attribute == kCloseButton) {
        value = AXElement(element.id() | kCloseButtonBit);
    } else if (attribute == kTitle) {
        bool gone = false;
        auto title = ewmh.title(target->window, &gone);
        if (!title) return gone ? AXError::invalidUIElement : AXError::cannotComplete;
        value = std::move(*title);
    } else if (attribute == kPosition || attribute == kSize) {
        bool gone = false;
        const auto geometry = ewmh.frame(target->window, &gone);
        if (!geometry) return gone ? AXError::invalidUIElement : AXError::cannotComplete;
        const Rect frame = m_display.toAccessibility(geometry->frame);
        if (attribute == kPosition)
            value = frame.origin;
        else
            value = frame.size;
    } else {
        return AXError::attributeUnsupported;
    }
    return AXError::success;
}

AXError X11Accessibility::copyApplicationAttribute(Ewmh& ewmh, const Target& target, const std::string& attribute,
                                                   AXValue& value) {
    if (attribute == kRole) {
        value = std::string("AXApplication");
        return AXError::success;
    }
    if (attribute != kWindows && attribute != kFocusedWindow && attribute != kMainWindow)
        return AXError::attributeUnsupported;
    const auto order = ewmh.managedWindows();
    const auto active = ewmh.activeWindow();
    const auto desktop = ewmh.currentDesktop();
    const std::vector<ClientFacts> facts = order ? ewmh.facts(*order) : std::vector<ClientFacts>{};
    if (!order || !ewmh.answered()) return AXError::cannotComplete;

    if (attribute == kWindows) {
        // Front to back, as the application lists them: the windows of the desktop shown, those on
        // every desktop, and the minimised ones.
        std::vector<AXElement> windows;
        for (auto f = facts.rbegin(); f != facts.rend(); ++f)
            if (!f->gone && f->pid == target.pid && (f->hidden || f->isOnDesktop(desktop)))
                windows.push_back(windowElement(target.pid, f->window));
        if (windows.empty()) return AXError::noValue;
        value = std::move(windows);
        return AXError::success;
    }
    const auto focused = Ewmh::focusedWindow(target.pid, active.value_or(XCB_NONE), facts, desktop);
    if (!focused) return AXError::noValue;
    value = windowElement(target.pid, *focused);
    return AXError::success;
}

AXError X11Accessibility::isAttributeSettable(const AXElement& element, const std::string& attribute, bool& settable) {
    const auto target = Target::of(element);
    if (!target) return AXError::illegalArgument;
    if (!processRuns(target->pid)) return AXError::invalidUIElement;
    settable = false;
    if (target->kind == Target::Kind::application)
        return attribute == kRole || attribute == kWindows || attribute == kFocusedWindow || attribute == kMainWindow
                   ? AXError::success
                   : AXError::attributeUnsupported;
    X11Connection* connection = m_display.isOpen() ? m_display.connection() : nullptr;
    if (!connection) return AXError::cannotComplete;
    connection->discardEvents();
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(messagingTimeout(element)));
    ClientFacts facts;
    if (const AXError error = managedClient(ewmh, target->pid, target->window, facts); error != AXError::success)
        return error;
    if (target->kind == Target::Kind::closeButton)
        return attribute == kRole || attribute == kSubrole ? AXError::success : AXError::attributeUnsupported;
    if (attribute == kPosition) {
        settable = isMovable(facts.kind);
    } else if (attribute == kSize) {
        bool gone = false;
        const auto hints = ewmh.sizeHints(target->window, &gone);
        if (!hints) return gone ? AXError::invalidUIElement : AXError::cannotComplete;
        settable = isMovable(facts.kind) && hints->isResizable();
    } else if (attribute == kMinimized) {
        settable = true;
    } else if (attribute != kRole && attribute != kSubrole && attribute != kTitle && attribute != kCloseButton) {
        return AXError::attributeUnsupported;
    }
    return AXError::success;
}

AXError X11Accessibility::setAttribute(const AXElement& element, const std::string& attribute, const AXValue& value) {
    const auto target = Target::of(element);
    if (!target) return AXError::illegalArgument;
    if (!processRuns(target->pid)) return AXError::invalidUIElement;
    if (target->kind != Target::Kind::window) return AXError::attributeUnsupported;
    std::optional<Point> position;
    std::optional<Size> size;
    std::optional<bool> minimized;
    if (attribute == kPosition) {
        const Point* p = std::get_if<Point>(&value);
        if (!p || !std::isfinite(p->x) || !std::isfinite(p->y)) return AXError::illegalArgument;
        position = *p;
    } else if (attribute == kSize) {
        const Size* s = std::get_if<Size>(&value);
        if (!s || !std::isfinite(s->width) || !std::isfinite(s->height) || s->width < 0 || s->height < 0)
            return AXError::illegalArgument;
        size = *s;
    } else if (attribute == kMinimized) {
        const bool* on = std::get_if<bool>(&value);
        if (!on) return AXError::illegalArgument;
        minimized = *on;
    } else {
        return AXError::attributeUnsupported;
    }
    X11Connection* connection = m_display.isOpen() ? m_display.connection() : nullptr;
    if (!connection) return AXError::cannotComplete;
    connection->discardEvents();
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(messagingTimeout(element)));
    if (minimized) return setMinimized(ewmh, *target, *minimized);
    return setFrame(ewmh, *target, position, size);
}

AXError X11Accessibility::setFrame(Ewmh& ewmh, const Target& target, const std::optional<Point>& position,
                                   const std::optional<Size>& size) {
    ClientFacts facts;
    if (const AXError error = managedClient(ewmh, target.pid, target.window, facts); error != AXError::success)
        return error;
    if (!isMovable(facts.kind)) return AXError::attributeUnsupported;
    bool gone = false;
    const auto geometry = ewmh.frame(target.window, &gone);
    const auto hints = size ? ewmh.sizeHints(target.window, &gone) : std::optional<SizeHints>(SizeHints{});
    if (!geometry || !hints) return gone ? AXError::invalidUIElement : AXError::cannotComplete;
    if (size && !hints->isResizable()) return AXError::attributeUnsupported;

    // The request places the window manager's frame (north-west gravity) and sizes the client; the
    // outer frame keeps its offsets from both.
    const Rect current = m_display.toAccessibility(geometry->frame);
    const QRect wanted = m_display.toNative(Rect(position.value_or(current.origin), size.value_or(current.size)));
    const QPoint managerPosition = wanted.topLeft() + (geometry->managerFrame.topLeft() - geometry->frame.topLeft());
    const QSize clientSize = hints->constrained(wanted.size() - (geometry->frame.size() - geometry->client.size()));
    std::uint32_t flags = 0;
    if (position && managerPosition != geometry->managerFrame.topLeft()) flags |= (1u << 8) | (1u << 9);
    if (size && clientSize != geometry->client.size()) flags |= (1u << 10) | (1u << 11);
    // Nothing would change, so the window manager would have nothing to announce either.
    if (!flags) return AXError::success;

    X11Connection& connection = ewmh.connection();
    const X11Atoms& atoms = m_display.atoms();
    connection.setEventMask(target.window, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    bool done = true;
    // A maximised window keeps its maximised frame; it is restored first, and moved once the window
    // manager has done that.
    if (facts.hasState(atoms.netWmStateMaximizedVert) || facts.hasState(atoms.netWmStateMaximizedHorz)) {
        connection.sendToRoot(target.window, atoms.netWmState, kRemoveState, atoms.netWmStateMaximizedVert,
                              atoms.netWmStateMaximizedHorz, kUserSource);
        done = connection.awaitEvent(
            [&](const xcb_generic_event_t& event) { return isPropertyNotify(event, target.window, atoms.netWmState); },
            ewmh.deadline());
        connection.discardEvents();
    }
    if (done) {
        connection.sendToRoot(target.window, atoms.netMoveresizeWindow, kNorthWestGravity | flags | (kUserSource << 12),
                              static_cast<std::uint32_t>(managerPosition.x()),
                              static_cast<std::uint32_t>(managerPosition.y()),
                              static_cast<std::uint32_t>(std::max(1, clientSize.width())),
                              static_cast<std::uint32_t>(std::max(1, clientSize.height())));
        // The window manager answers a move with a configure notification, real or synthetic.
        done = connection.awaitEvent(
            [&](const xcb_generic_event_t& event) { return isConfigureNotify(event, target.window); }, ewmh.deadline());
    }
    connection.setEventMask(target.window, XCB_EVENT_MASK_NO_EVENT);
    connection.discardEvents();
    return done ? AXError::success : AXError::cannotComplete;
}

AXError X11Accessibility::setMinimized(Ewmh& ewmh, const Target& target, bool minimized) {
    ClientFacts facts;
    if (const AXError error = managedClient(ewmh, target.pid, target.window, facts); error != AXError::success)
        return error;
    if (facts.hidden == minimized) return AXError::success;
    X11Connection& connection = ewmh.connection();
    const X11Atoms& atoms = m_display.atoms();
    connection.setEventMask(target.window, XCB_EVENT_MASK_PROPERTY_CHANGE);
    // Iconifying is the client's request to make (ICCCM); showing a minimised window again is
    // activating it (EWMH).
    if (minimized)
        connection.sendToRoot(target.window, atoms.wmChangeState, kIconicState);
    else
        connection.sendToRoot(target.window, atoms.netActiveWindow, kUserSource);
    bool done = false;
    while (!done && connection.awaitEvent(
                        [&](const xcb_generic_event_t& event) {
                            return isPropertyNotify(event, target.window, atoms.netWmState);
                        },
                        ewmh.deadline())) {
        const std::vector<ClientFacts> now = ewmh.facts({target.window});
        if (now.empty()) break;
        done = now.front().hidden == minimized;
    }
    connection.setEventMask(target.window, XCB_EVENT_MASK_NO_EVENT);
    connection.discardEvents();
    return done ? AXError::success : AXError::cannotComplete;
}

AXError X11Accessibility::performAction(const AXElement& element, const std::string& action) {
    const auto target = Target::of(element);
    if (!target) return AXError::illegalArgument;
    if (!processRuns(target->pid)) return AXError::invalidUIElement;
    const bool raise = target->kind == Target::Kind::window && action == "AXRaise";
    const bool close = target->kind == Target::Kind::closeButton && action == "AXPress";
    if (!raise && !close) return AXError::actionUnsupported;
    X11Connection* connection = m_display.isOpen() ? m_display.connection() : nullptr;
    if (!connection) return AXError::cannotComplete;
    connection->discardEvents();
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(messagingTimeout(element)));
    ClientFacts facts;
    if (const AXError error = managedClient(ewmh, target->pid, target->window, facts); error != AXError::success)
        return error;
    const X11Atoms& atoms = m_display.atoms();
    // Closing asks the client through the window manager (WM_DELETE_WINDOW), so an application
    // with unsaved work may ask the user first, or refuse.
    if (close)
        connection->sendToRoot(target->window, atoms.netCloseWindow, XCB_CURRENT_TIME, kUserSource);
    else
        connection->sendToRoot(target->window, atoms.netActiveWindow, kUserSource);
    return AXError::success;
}

AXError X11Accessibility::createObserver(int pid, AXObserverCallback callback, std::unique_ptr<AXObserver>& observer) {
    if (pid <= 0 || !callback) return AXError::illegalArgument;
    observer = std::make_unique<X11AXObserver>(m_watcher, m_queue, pid, std::move(callback));
    return AXError::success;
}

}  // namespace tarnlet::linux_desktop
