#include "DesktopProbe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <cstring>

namespace tarnlet::linux_tests {

DesktopProbe::DesktopProbe() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (screens.rem) m_root = screens.data->root;
}

DesktopProbe::~DesktopProbe() {
    if (m_connection) xcb_disconnect(m_connection);
}

bool DesktopProbe::hasDesktop() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

xcb_atom_t DesktopProbe::atom(const char* name) const {
    auto cookie = xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

QColor DesktopProbe::pixel(int x, int y) const {
    auto cookie = xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, static_cast<std::int16_t>(x),
                                static_cast<std::int16_t>(y), 1, 1, ~0u);
    xcb_get_image_reply_t* reply = xcb_get_image_reply(m_connection, cookie, nullptr);
    QColor color;
    if (reply && xcb_get_image_data_length(reply) >= 4) {
        // A 24-bit TrueColor root: one little-endian word per pixel, blue in the low byte.
        const std::uint8_t* data = xcb_get_image_data(reply);
        color = QColor(data[2], data[1], data[0]);
    }
    std::free(reply);
    return color;
}

xcb_window_t DesktopProbe::activeWindow() const {
    auto cookie = xcb_get_property(m_connection, 0, m_root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(m_connection, cookie, nullptr);
    xcb_window_t window = XCB_NONE;
    if (reply && xcb_get_property_value_length(reply) >= 4)
        window = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return window;
}

bool DesktopProbe::waitUntil(const std::function<bool()>& condition, double seconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > seconds * 1000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

void DesktopProbe::settle(double seconds) {
    waitUntil([] { return false; }, seconds);
}

int DesktopProbe::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace tarnlet::linux_tests
