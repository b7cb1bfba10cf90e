#include "platform/linux/LinuxDesktop.h"

#include <cstdlib>

namespace tarnlet::linux_desktop {

std::optional<std::string> LinuxDesktop::checkDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return std::string("DISPLAY is not set");
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool failed = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (failed) return "the X11 display " + std::string(display) + " cannot be reached";
    return std::nullopt;
}

LinuxDesktop::LinuxDesktop() : m_defaults(m_folders.preferences(), std::string(host::HostSystemFacts::kBundleIdentifier)) {
    // Before anything writes there: the data, the log and the settings are the user's alone.
    m_folders.createPrivateFolders();
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    m_inputIdle = std::make_unique<X11InputIdle>(m_connection, screens.rem ? screens.data->root : XCB_NONE);

    m_platform = std::make_unique<Platform>(Platform{
        .mainQueue = m_queue,
        .accessibility = m_accessibility,
        .taskQueues = m_taskQueues,
        .defaults = m_defaults,
        .eventTaps = m_eventTaps,
        .hotKeys = m_hotKeys,
        .mouse = m_mouse,
        .folders = m_folders,
        .notices = m_notices,
        .permissions = m_session,
        .panels = m_panels,
        .pasteboard = m_pasteboard,
        .powerSources = m_powerSources,
        .screens = m_screens,
        .systemFacts = m_systemFacts,
        .systemLog = m_systemLog,
        .textMeasurer = m_textMeasurer,
        .workspace = m_workspace,
        .windowServer = m_windowServer,
        .alerts = m_alerts,
        .haptics = m_session,
        .inputIdle = *m_inputIdle,
        .powerAssertions = m_powerAssertions,
        .statusBar = m_statusBar,
        .volumes = m_volumes,
        .colorSampler = m_colorLoupe,
    });
}

LinuxDesktop::~LinuxDesktop() {
    m_platform.reset();
    m_inputIdle.reset();
    if (m_connection) xcb_disconnect(m_connection);
}

}  // namespace tarnlet::linux_desktop
