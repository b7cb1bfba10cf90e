#include "platform/linux/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/MainQueue.h"

namespace tarnlet::linux_desktop {

namespace {

// The bottom edge of the primary screen in X11 coordinates: desktop y = 0 there.
int primaryBottom() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return 0;
    const QRect g = primary->geometry();
    return g.y() + g.height();
}

// A stable number for a display: its connector name hashed, so it survives reordering.
std::uint32_t displayNumber(const QScreen* screen) {
    std::uint32_t hash = 2166136261u;
    for (const QChar c : screen->name()) hash = (hash ^ c.unicode()) * 16777619u;
    return hash == 0 ? 1 : hash;
}

// Laptop panels announce themselves by their connector.
bool isLaptopPanel(const QScreen* screen) {
    const QString name = screen->name();
    return name.startsWith("eDP") || name.startsWith("LVDS") || name.startsWith("DSI");
}

}  // namespace

QtScreens::QtScreens(MainQueue& queue) : m_queue(queue) {
    auto* app = qGuiApp;
    m_connections.push_back(QObject::connect(app, &QGuiApplication::screenAdded, [this](QScreen* screen) {
        watch(screen);
        changed();
    }));
    m_connections.push_back(QObject::connect(app, &QGuiApplication::screenRemoved, [this](QScreen*) { changed(); }));
    m_connections.push_back(
        QObject::connect(app, &QGuiApplication::primaryScreenChanged, [this](QScreen*) { changed(); }));
    for (QScreen* screen : QGuiApplication::screens()) watch(screen);
}

QtScreens::~QtScreens() {
    for (const auto& connection : m_connections) QObject::disconnect(connection);
}

void QtScreens::watch(QScreen* screen) {
    m_connections.push_back(QObject::connect(screen, &QScreen::geometryChanged, [this](const QRect&) { changed(); }));
    m_connections.push_back(
        QObject::connect(screen, &QScreen::availableGeometryChanged, [this](const QRect&) { changed(); }));
}

void QtScreens::changed() {
    // A plug or a resolution change arrives as several signals: observers hear one change.
    if (m_changePending) return;
    m_changePending = true;
    m_queue.post(m_weak.bind([this] {
        m_changePending = false;
        m_observers.notify();
    }));
}

std::vector<Screen> QtScreens::screens() const {
    std::vector<Screen> out;
    QList<QScreen*> all = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    std::stable_partition(all.begin(), all.end(), [primary](const QScreen* s) { return s == primary; });
    for (const QScreen* s : all) {
        Screen screen;
        screen.displayID = displayNumber(s);
        screen.frame = toDesktop(s->geometry());
        screen.visibleFrame = toDesktop(s->availableGeometry());
        screen.scale = s->devicePixelRatio();
        screen.isBuiltin = isLaptopPanel(s);
        out.push_back(screen);
    }
    return out;
}

Subscription QtScreens::observeChanges(std::function<void()> onChange) { return m_observers.add(std::move(onChange)); }

Rect QtScreens::toDesktop(const QRect& rect) {
    return Rect(rect.x(), primaryBottom() - (rect.y() + rect.height()), rect.width(), rect.height());
}

Point QtScreens::toDesktop(const QPoint& point) { return Point{double(point.x()), double(primaryBottom() - point.y())}; }

QRect QtScreens::toX11(const Rect& rect) {
    const int x = static_cast<int>(std::lround(rect.minX()));
    const int width = static_cast<int>(std::lround(rect.width()));
    const int height = static_cast<int>(std::lround(rect.height()));
    const int top = primaryBottom() - static_cast<int>(std::lround(rect.maxY()));
    return QRect(x, top, width, height);
}

}  // namespace tarnlet::linux_desktop
