#include "platform/linux/X11Display.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstring>
#include <utility>

namespace tarnlet::linux_desktop {

namespace {

constexpr double kSetupSeconds = 5;

constexpr std::pair<const char*, xcb_atom_t X11Atoms::*> kAtomNames[] = {
    {"UTF8_STRING", &X11Atoms::utf8String},
    {"_NET_SUPPORTED", &X11Atoms::netSupported},
    {"_NET_SUPPORTING_WM_CHECK", &X11Atoms::netSupportingWmCheck},
    {"_NET_CLIENT_LIST", &X11Atoms::netClientList},
    {"_NET_CLIENT_LIST_STACKING", &X11Atoms::netClientListStacking},
    {"_NET_ACTIVE_WINDOW", &X11Atoms::netActiveWindow},
    {"_NET_NUMBER_OF_DESKTOPS", &X11Atoms::netNumberOfDesktops},
    {"_NET_CURRENT_DESKTOP", &X11Atoms::netCurrentDesktop},
    {"_NET_WM_DESKTOP", &X11Atoms::netWmDesktop},
    {"_NET_WM_PID", &X11Atoms::netWmPid},
    {"_NET_WM_NAME", &X11Atoms::netWmName},
    {"_NET_WM_STATE", &X11Atoms::netWmState},
    {"_NET_WM_STATE_HIDDEN", &X11Atoms::netWmStateHidden},
    {"_NET_WM_STATE_MAXIMIZED_VERT", &X11Atoms::netWmStateMaximizedVert},
    {"_NET_WM_STATE_MAXIMIZED_HORZ", &X11Atoms::netWmStateMaximizedHorz},
    {"_NET_WM_STATE_ABOVE", &X11Atoms::netWmStateAbove},
    {"_NET_WM_STATE_BELOW", &X11Atoms::netWmStateBelow},
    {"_NET_WM_WINDOW_TYPE", &X11Atoms::netWmWindowType},
    {"_NET_WM_WINDOW_TYPE_NORMAL", &X11Atoms::netWmWindowTypeNormal},
    {"_NET_WM_WINDOW_TYPE_DIALOG", &X11Atoms::netWmWindowTypeDialog},
    {"_NET_WM_WINDOW_TYPE_UTILITY", &X11Atoms::netWmWindowTypeUtility},
    {"_NET_WM_WINDOW_TYPE_TOOLBAR", &X11Atoms::netWmWindowTypeToolbar},
    {"_NET_WM_WINDOW_TYPE_DOCK", &X11Atoms::netWmWindowTypeDock},
    {"_NET_WM_WINDOW_TYPE_DESKTOP", &X11Atoms::netWmWindowTypeDesktop},
    {"_NET_WM_WINDOW_TYPE_SPLASH", &X11Atoms::netWmWindowTypeSplash},
    {"_NET_WM_WINDOW_TYPE_MENU", &X11Atoms::netWmWindowTypeMenu},
    {"_NET_WM_WINDOW_TYPE_NOTIFICATION", &X11Atoms::netWmWindowTypeNotification},
    {"_NET_FRAME_EXTENTS", &X11Atoms::netFrameExtents},
    {"_GTK_FRAME_EXTENTS", &X11Atoms::gtkFrameExtents},
    {"_NET_MOVERESIZE_WINDOW", &X11Atoms::netMoveresizeWindow},
    {"_NET_CLOSE_WINDOW", &X11Atoms::netCloseWindow},
    {"_NET_WM_WINDOW_OPACITY", &X11Atoms::netWmWindowOpacity},
    {"WM_CHANGE_STATE", &X11Atoms::wmChangeState},
    {"_GTK_APPLICATION_ID", &X11Atoms::gtkApplicationId},
    {"_KDE_NET_WM_DESKTOP_FILE", &X11Atoms::kdeNetWmDesktopFile},
};

int rounded(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

X11Display::X11Display() {
    X11Connection* main = connection();
    if (!main) return;
    m_root = main->root();
    // Every name is asked for before any answer is awaited: one wait instead of one per atom.
    std::vector<unsigned int> requests;
    for (const auto& [name, member] : kAtomNames)
        requests.push_back(
            xcb_intern_atom(main->get(), 0, static_cast<std::uint16_t>(std::strlen(name)), name).sequence);
    const Deadline deadline = X11Connection::deadlineAfter(kSetupSeconds);
    bool complete = true;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const auto reply = main->await<xcb_intern_atom_reply_t>(requests[i], deadline);
        if (reply)
            m_atoms.*(kAtomNames[i].second) = reply->atom;
        else
            complete = false;
    }
    m_open = complete && m_root != XCB_NONE;

    if (!qGuiApp) return;
    m_screenSignals.push_back(QObject::connect(qGuiApp, &QGuiApplication::screenAdded, [this](QScreen* screen) {
        watch(screen);
        updateScreens();
    }));
    m_screenSignals.push_back(
        QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, [this](QScreen*) { updateScreens(); }));
    m_screenSignals.push_back(
        QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, [this](QScreen*) { updateScreens(); }));
    for (QScreen* screen : QGuiApplication::screens()) watch(screen);
    updateScreens();
}

X11Display::~X11Display() {
    for (const auto& signal : m_screenSignals) QObject::disconnect(signal);
}

X11Connection* X11Display::connection() {
    const std::lock_guard lock(m_mutex);
    auto& slot = m_connections[std::this_thread::get_id()];
    if (!slot) slot = std::make_unique<X11Connection>();
    return slot->isOpen() ? slot.get() : nullptr;
}

void X11Display::watch(QScreen* screen) {
    m_screenSignals.push_back(
        QObject::connect(screen, &QScreen::geometryChanged, [this](const QRect&) { updateScreens(); }));
}

void X11Display::updateScreens() {
    std::vector<ScreenScale> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const double scale = screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1.0;
        const QRect native(logical.topLeft(),
                           QSize(rounded(logical.width() * scale), rounded(logical.height() * scale)));
        ScreenScale entry{native, logical, scale};
        if (screen == primary)
            screens.insert(screens.begin(), entry);
        else
            screens.push_back(entry);
    }
    const std::lock_guard lock(m_mutex);
    m_screens = std::move(screens);
}

const X11Display::ScreenScale* X11Display::screenAt(QPoint point, bool native) const {
    for (const ScreenScale& screen : m_screens)
        if ((native ? screen.native : screen.logical).contains(point)) return &screen;
    return m_screens.empty() ? nullptr : &m_screens.front();
}

Rect X11Display::toAccessibility(const QRect& native) const {
    const std::lock_guard lock(m_mutex);
    const ScreenScale* screen = screenAt(native.center(), true);
    const QPoint origin = screen ? screen->native.topLeft() : QPoint();
    const double scale = screen ? screen->scale : 1.0;
    const int primaryTop = m_screens.empty() ? 0 : m_screens.front().logical.top();
    return Rect(origin.x() + (native.x() - origin.x()) / scale,
                origin.y() + (native.y() - origin.y()) / scale - primaryTop, native.width() / scale,
                native.height() / scale);
}

QRect X11Display::toNative(const Rect& accessibility) const {
    const std::lock_guard lock(m_mutex);
    const int primaryTop = m_screens.empty() ? 0 : m_screens.front().logical.top();
    const Rect logical = accessibility.offsetBy(0, primaryTop);
    const QPoint centre(rounded(logical.midX()), rounded(logical.midY()));
    const ScreenScale* screen = screenAt(centre, false);
    const QPoint origin = screen ? screen->logical.topLeft() : QPoint();
    const double scale = screen ? screen->scale : 1.0;
    return QRect(rounded(origin.x() + (logical.minX() - origin.x()) * scale),
                 rounded(origin.y() + (logical.minY() - origin.y()) * scale), rounded(logical.width() * scale),
                 rounded(logical.height() * scale));
}

}  // namespace tarnlet::linux_desktop
