#include "main/DesktopSession.h"

#include <iostream>

#ifdef TARNLET_HAS_LINUX_DESKTOP
#include <QApplication>

#include "app/AppDelegate.h"
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

    linux_desktop::LinuxDesktop desktop;
    AppDelegate app(desktop.platform());
    app.applicationDidFinishLaunching(arguments);
    const int status = QApplication::exec();
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
