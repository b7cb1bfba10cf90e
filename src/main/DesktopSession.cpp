#include "main/DesktopSession.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#ifdef TARNLET_HAS_LINUX_DESKTOP
#include <QApplication>

#include "app/AppDelegate.h"
#include "diagnostics/Log.h"
#include "main/SessionEnd.h"
#include "main/SingleInstance.h"
#include "platform/linux/LinuxDesktop.h"
#endif

namespace tarnlet {

#ifdef TARNLET_HAS_LINUX_DESKTOP

namespace {

// On a Wayland session the X11 display is XWayland's, which shows Tarnlet only the X11
// applications: the user hears at start what cannot work, rather than finding tools silent.
std::optional<std::string> waylandLimits() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!(type && std::string(type) == "wayland") && !(wayland && *wayland)) return std::nullopt;
    return "this is a Wayland session, where Tarnlet runs through XWayland and sees X11 applications only: "
           "Snap, Sweep, Auto-Quit and the window tools cannot reach the windows of Wayland applications, the "
           "leader chords and shortcuts work only while an X11 application has the focus, and the colour loupe "
           "sees X11 windows only. The notch, the menu, breaks and keep-awake work as usual. For the whole "
           "suite, log in to an X11 session.";
}

}  // namespace

int runDesktopSession(int argc, char** argv, const std::vector<std::string>& arguments) {
    if (auto problem = linux_desktop::LinuxDesktop::checkDisplay()) {
        std::cerr << "tarnlet: " << *problem << ", so Tarnlet cannot run on this desktop session.\n";
        return 2;
    }
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Tarnlet");
    // A resident utility: closing its last window (the settings) never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Signals that arrive from here on end the session through the event loop.
    SessionEnd ending;
    SingleInstance instance;
    if (instance.role() == SingleInstance::Role::second) {
        if (auto problem = instance.askFirstToReopen()) {
            std::cerr << "tarnlet: Tarnlet is already running but did not answer (" << *problem << ")\n";
            return 1;
        }
        return 0;
    }
    if (instance.role() == SingleInstance::Role::alone)
        std::cerr << "tarnlet: " << instance.problem() << "; a second Tarnlet will not find this one\n";

    const std::optional<std::string> limits = waylandLimits();
    if (limits) std::cerr << "tarnlet: " << *limits << "\n";

    linux_desktop::LinuxDesktop desktop;
    // The settings files are written by a backend service, which cannot log; the program can.
    desktop.defaults().onWriteFailure = [](const std::string& line) { Log::error(line); };
    AppDelegate app(desktop.platform());
    desktop.settingsWatcher().onChange = [&app] { app.settings().storesReloaded(); };
    instance.onReopen = [&app] {
        Log::debug("Reopen requested by another Tarnlet");
        app.applicationShouldHandleReopen(false);
    };
    app.applicationDidFinishLaunching(arguments);
    if (limits) Log::debug([&] { return *limits; });

    SessionEnd::armDisplayLoss();
    const int status = QApplication::exec();
    SessionEnd::disarmDisplayLoss();
    instance.onReopen = nullptr;
    desktop.settingsWatcher().onChange = nullptr;
    app.applicationWillTerminate();
    return status;
}

#else

int runDesktopSession(int, char**, const std::vector<std::string>&) {
    std::cerr << "tarnlet: this build has no X11 desktop backend (Qt 6 or the XCB libraries were missing when it was "
                 "built), so Tarnlet cannot run on this desktop session.\n"
                 "Run a scenario on the simulated desktop instead: tarnlet --simulate FILE\n";
    return 2;
}

#endif

}  // namespace tarnlet
