#include "platform/linux/PanelWindow.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

#include "platform/Panels.h"
#include "platform/linux/QtImages.h"
#include "platform/linux/X11Connection.h"

namespace tarnlet::linux_desktop {

namespace {

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

Qt::WindowFlags panelFlags(bool ignoresMouse) {
    Qt::WindowFlags flags = Qt::Tool;
    flags |= Qt::FramelessWindowHint;
    flags |= Qt::WindowStaysOnTopHint;
    flags |= Qt::WindowDoesNotAcceptFocus;
    flags |= Qt::NoDropShadowWindowHint;
    if (ignoresMouse) flags |= Qt::WindowTransparentForInput;
    return flags;
}

}  // namespace

PanelWindow::PanelWindow(bool ignoresMouse) : QWidget(nullptr, panelFlags(ignoresMouse)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Tarnlet"));
}

PanelWindow::~PanelWindow() = default;

void PanelWindow::setContent(std::shared_ptr<PanelContent> content) {
    m_content = std::move(content);
    update();
}

void PanelWindow::showPanel() {
    winId();  // creates the native window, so its properties can be set before it is mapped
    setX11Hints();
    show();
}

void PanelWindow::setX11Hints() {
    xcb_connection_t* connection = x11Connection();
    if (!connection) return;
    const auto window = static_cast<xcb_window_t>(winId());
    const std::array<xcb_atom_t, 2> types{internAtom(connection, "_NET_WM_WINDOW_TYPE_NOTIFICATION"),
                                          internAtom(connection, "_NET_WM_WINDOW_TYPE_UTILITY")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, internAtom(connection, "_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, types.size(), types.data());
    // Qt adds its own states (above) to these when it maps the window.
    const std::array<xcb_atom_t, 3> states{internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                           internAtom(connection, "_NET_WM_STATE_SKIP_PAGER"),
                                           internAtom(connection, "_NET_WM_STATE_STICKY")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, internAtom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM,
                        32, states.size(), states.data());
    const std::uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, internAtom(connection, "_NET_WM_DESKTOP"),
                        XCB_ATOM_CARDINAL, 32, 1, &everyDesktop);
    xcb_flush(connection);
}

void PanelWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
    if (!m_content) return;
    // The content is asked for its drawing each time the window is drawn, as the interface promises.
    const QImage image = QtImages::render(m_content->drawing(), devicePixelRatioF());
    if (image.isNull()) return;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPointF(0, 0), image);
}

}  // namespace tarnlet::linux_desktop
