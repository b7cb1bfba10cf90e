// The application's life and the system around it: launching, quitting, time passing, sleep and
// wake, the grants the user gives, and snapshots of what is on screen.

#include <system_error>

#include "app/AppDelegate.h"
#include "clipboard/ListMenuView.h"
#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"
#include "notch/NotchBarView.h"
#include "platform/host/CairoRenderer.h"
#include "wellbeing/BreakOverlay.h"

namespace tarnlet::scenario {

namespace {

// A command that takes no words and does one thing to the session.
ScenarioCommand bare(const char* name, void (*run)(ScenarioSession&)) {
    return {name, "'" + std::string(name) + "' takes no arguments", [run](ScenarioWords&) -> ScenarioAction {
                return [run](ScenarioSession& s) {
                    run(s);
                    return success();
                };
            }};
}

ScenarioAction parseLaunch(ScenarioWords& w) {
    // Only what the application reads from its command line; anything else would be ignored
    // silently by it, so it is refused here.
    std::vector<std::string> arguments;
    if (!w.atEnd()) {
        if (!w.take("--appearance")) w.fail();
        arguments = {"--appearance", w.word()};
    }
    if (w.plan().launches()) w.failLater("the application is launched only once");
    w.plan().setLaunches();
    return [arguments](ScenarioSession& s) { return s.launch(arguments); };
}

ScenarioAction parseAdvance(ScenarioWords& w) {
    if (!w.exactly(1)) return {};
    return [seconds = w.seconds()](ScenarioSession& s) {
        s.desktop().advanceBy(seconds);
        return success();
    };
}

ScenarioAction parseSleep(ScenarioWords& w) {
    if (!w.exactly(1)) return {};
    return [seconds = w.seconds()](ScenarioSession& s) {
        s.desktop().sleepFor(seconds);
        return success();
    };
}

ScenarioAction parseSession(ScenarioWords& w) {
    w.oneOf({"active"});
    return [](ScenarioSession& s) {
        s.desktop().workspace().sessionBecameActive();
        return success();
    };
}

ScenarioAction parsePermission(ScenarioWords& w) {
    if (!w.exactly(2)) return {};
    const bool accessibility = w.oneOf({"accessibility", "screen-recording"}) == "accessibility";
    const bool granted = w.onOff();
    return [accessibility, granted](ScenarioSession& s) {
        auto& permissions = s.desktop().permissions();
        // Before launch this is the state the application starts with; afterwards the user flips
        // the switch and the system broadcasts the change.
        if (!accessibility) permissions.setScreenCapture(granted);
        else if (s.launched()) permissions.changeAccessibility(granted);
        else permissions.setAccessibilityTrusted(granted);
        return success();
    };
}

ScenarioAction parseNotifications(ScenarioWords& w) {
    const bool allow = w.oneOf({"allow", "deny"}) == "allow";
    return [allow](ScenarioSession& s) {
        s.desktop().notices().setUserAllows(allow);
        return success();
    };
}

// Snapshots are numbered across the whole run, so a later one never overwrites an earlier one.
struct SnapshotCount : ScenarioPart {
    int taken = 0;
};

// Every notch bar, picker and break screen on screen as a PNG at twice its size, named by its order
// and caption.
Status snapshot(ScenarioSession& s, const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    int& taken = s.part<SnapshotCount>().taken;
    int written = 0;
    for (const auto& record : s.desktop().panels().onScreen()) {
        std::string caption;
        if (auto bar = std::dynamic_pointer_cast<const NotchBarView>(record->content))
            caption = bar->content().caption.value_or("bar");
        else if (std::dynamic_pointer_cast<const ListMenuView>(record->content))
            caption = "picker";
        else if (record->options.level == BreakOverlay::kPanelLevel)
            caption = "break-screen";
        else
            continue;
        std::string name = std::to_string(++taken) + "-" + caption;
        for (char& ch : name)
            if (ch == '/' || ch == ' ' || ch == ':') ch = '_';
        const auto file = folder / (name + ".png");
        auto status = host::CairoRenderer::renderPNG(record->content->drawing(), 2, file);
        if (!status.ok()) return Failure{"cannot write the snapshot " + file.string() + ": " + status.error()};
        s.print("snapshot " + file.string());
        ++written;
    }
    if (written == 0) s.print("snapshot: no bar, picker or break screen on screen");
    return success();
}

ScenarioAction parseSnapshot(ScenarioWords& w) {
    if (!w.exactly(1)) return {};
    return [folder = std::filesystem::path(w.word())](ScenarioSession& s) { return snapshot(s, folder); };
}

const ScenarioCommands::Registrar kRegistrar({
    {"launch", "usage: launch [--appearance VALUE]", parseLaunch},
    bare("quit", [](ScenarioSession& s) { s.app().applicationWillTerminate(); }),
    bare("wake", [](ScenarioSession& s) { s.desktop().workspace().wake(); }),
    bare("reopen", [](ScenarioSession& s) { s.app().applicationShouldHandleReopen(false); }),
    {"advance", "usage: advance SECONDS (a number of seconds, 0 or more)", parseAdvance},
    {"sleep", "usage: sleep SECONDS", parseSleep},
    {"session", "usage: session active", parseSession},
    {"permission", "usage: permission accessibility|screen-recording on|off", parsePermission},
    {"notifications", "usage: notifications allow|deny", parseNotifications},
    {"snapshot", "usage: snapshot FOLDER", parseSnapshot},
});

}  // namespace

}  // namespace tarnlet::scenario
