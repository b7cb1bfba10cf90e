#pragma once
// The Linux X11 desktop backend: every platform service of a real session, assembled in this one
// place. Qt's application object must exist before it is built (it drives the event loop, the
// screens and the windows); its own XCB connection serves the X11-specific services.
//
//     QApplication qt(argc, argv);
//     linux_desktop::LinuxDesktop desktop;
//     AppDelegate app(desktop.platform());
//     app.applicationDidFinishLaunching(arguments);
//     return qt.exec();
//
// Main thread only.

#include <memory>
#include <optional>
#include <string>

#include <xcb/xcb.h>

#include "platform/Platform.h"
#include "platform/host/FileDefaults.h"
#include "platform/host/HostFolders.h"
#include "platform/host/HostSystemFacts.h"
#include "platform/host/HostSystemLog.h"
#include "platform/host/HostTaskQueues.h"
#include "platform/host/PangoTextMeasurer.h"
#include "platform/linux/ColorLoupe.h"
#include "platform/linux/DBusNotices.h"
#include "platform/linux/InertSession.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/LogindPowerAssertions.h"
#include "platform/linux/LogindSession.h"
#include "platform/linux/MountVolumes.h"
#include "platform/linux/QtAlerts.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtPanels.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/QtStatusBar.h"
#include "platform/linux/SettingsFolderWatcher.h"
#include "platform/linux/UPowerSources.h"
#include "platform/linux/X11Accessibility.h"
#include "platform/linux/X11Applications.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11EventTaps.h"
#include "platform/linux/X11HotKeys.h"
#include "platform/linux/X11InputIdle.h"
#include "platform/linux/X11Mouse.h"
#include "platform/linux/X11WindowServer.h"

namespace tarnlet::linux_desktop {

class LinuxDesktop {
public:
    // None, with the reason, when no X11 display can be reached.
    static std::optional<std::string> checkDisplay();

    LinuxDesktop();
    ~LinuxDesktop();
    LinuxDesktop(const LinuxDesktop&) = delete;
    LinuxDesktop& operator=(const LinuxDesktop&) = delete;

    Platform& platform() { return *m_platform; }
    QtMainQueue& queue() { return m_queue; }
    LinuxWorkspace& workspace() { return m_workspace; }
    host::HostFolders& folders() { return m_folders; }
    host::FileDefaultsSuites& defaults() { return m_defaults; }
    // Re-reads the settings files when another process changed them; the application hooks its
    // settings to onChange.
    SettingsFolderWatcher& settingsWatcher() { return m_settingsWatcher; }

private:
    xcb_connection_t* m_connection = nullptr;
    QtMainQueue m_queue;
    host::HostTaskQueues m_taskQueues{m_queue};
    host::HostFolders m_folders;
    host::HostSystemFacts m_systemFacts;
    host::HostSystemLog m_systemLog;
    host::PangoTextMeasurer m_textMeasurer;
    host::FileDefaultsSuites m_defaults;
    SettingsFolderWatcher m_settingsWatcher{m_defaults};
    QtScreens m_screens{m_queue};
    // Other applications and their windows, through the window manager's hints.
    X11Display m_display;
    EwmhWatcher m_windowWatcher{m_display};
    X11Applications m_applications{m_display, m_windowWatcher, m_queue};
    X11Accessibility m_accessibility{m_display, m_windowWatcher, m_queue};
    X11WindowServer m_windowServer{m_display};
    LinuxWorkspace m_workspace{m_queue, &m_applications};
    QtPasteboard m_pasteboard;
    X11Mouse m_mouse;
    ColorLoupe m_colorLoupe{m_queue};
    X11EventTaps m_eventTaps{m_systemLog};
    X11HotKeys m_hotKeys{m_eventTaps.keymap(), m_systemLog};
    InertSession m_session;
    QtPanels m_panels{m_queue, m_systemLog};
    QtStatusBar m_statusBar{m_queue, m_systemLog};
    QtAlerts m_alerts;
    DBusNotices m_notices{m_systemLog};
    UPowerSources m_powerSources{m_systemLog};
    LogindPowerAssertions m_powerAssertions{m_systemLog};
    LogindSession m_logindSession{m_queue, m_workspace, m_systemLog};
    MountVolumes m_volumes{m_folders.home()};
    std::unique_ptr<X11InputIdle> m_inputIdle;
    std::unique_ptr<Platform> m_platform;
};

}  // namespace tarnlet::linux_desktop
