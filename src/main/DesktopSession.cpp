#include "main/DesktopSession.h"

#include <iostream>

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
