// The tarnlet program: the resident suite on a desktop session, or a scenario on the simulated
// desktop with --simulate.

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "diagnostics/LogHeader.h"
#include "main/DesktopSession.h"
#include "main/ScenarioRunner.h"
#include "main/SettingsCommand.h"
#include "platform/host/HostFolders.h"

namespace {

constexpr const char* kUsage =
    "usage: tarnlet [--appearance light|dark]\n"
    "       tarnlet --simulate FILE [--home DIR] [--appearance light|dark]\n"
    "       tarnlet --settings-png DIR [PANES]\n"
    "       tarnlet settings list|get KEY|set KEY VALUE [--profile 1|2]\n"
    "       tarnlet --version\n"
    "\n"
    "  --simulate FILE   run the scenario FILE on the simulated desktop and print what the system did\n"
    "  --home DIR        the simulated user's home folder (default: a temporary folder, removed after)\n"
    "  --appearance V    dark selects the dark appearance, any other value the light one\n"
    "  --settings-png    render settings panes as images into DIR\n"
    "  settings          read or change the settings files, as the settings window would\n";

int fail(const std::string& message, int code) {
    std::cerr << "tarnlet: " << message << '\n';
    return code;
}

// The desktop the program runs on, chosen here and nowhere else: the simulated one for a scenario,
// otherwise the session's own when a display is reachable.
enum class Backend { simulated, x11, none };

Backend chooseBackend(bool simulating) {
    if (simulating) return Backend::simulated;
    const char* display = std::getenv("DISPLAY");
    return display && *display ? Backend::x11 : Backend::none;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    tarnlet::ScenarioRunner::Options simulate;
    bool simulating = false;
    std::vector<std::string> appArguments;
    if (!args.empty() && args[0] == "settings")
        return tarnlet::SettingsCommand::run({args.begin() + 1, args.end()}, tarnlet::host::HostFolders().preferences(),
                                             std::cout, std::cerr);

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--version") {
            std::cout << "Tarnlet " << tarnlet::LogHeader::versionLine() << '\n';
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--settings-png") {
            if (!hasValue) return fail("--settings-png needs a folder to write into", 2);
            return fail("--settings-png: this build has no settings window, so there are no panes to render", 1);
        }
        if (arg == "--simulate") {
            if (!hasValue) return fail("--simulate needs a scenario file", 2);
            simulate.file = args[++i];
            simulating = true;
        } else if (arg == "--home") {
            if (!hasValue) return fail("--home needs a folder", 2);
            simulate.home = args[++i];
        } else if (arg == "--appearance") {
            // Without a value the option changes nothing, as on the reference desktop.
            appArguments.push_back(arg);
            if (hasValue) appArguments.push_back(args[++i]);
        } else {
            std::cerr << "tarnlet: unknown option '" << arg << "'\n" << kUsage;
            return 2;
        }
    }

    if (simulate.home && !simulating) return fail("--home goes with --simulate", 2);
    switch (chooseBackend(simulating)) {
        case Backend::simulated: {
            simulate.launchArguments = appArguments;
            tarnlet::ScenarioRunner runner(std::cout, std::cerr);
            return runner.run(simulate);
        }
        case Backend::x11: return tarnlet::runDesktopSession(argc, argv, appArguments);
        case Backend::none: break;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return fail(std::string(wayland && *wayland ? "this Wayland session offers no X11 display (DISPLAY is not set)"
                                                : "no desktop session is reachable (DISPLAY is not set)") +
                    ", so Tarnlet cannot run here.\n"
                    "Run a scenario on the simulated desktop instead: tarnlet --simulate FILE "
                    "(for example tarnlet --simulate tests/scenarios/demo.scenario)",
                2);
}
