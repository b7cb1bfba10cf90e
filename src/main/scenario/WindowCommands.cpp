// Applications, their windows and the desktops (Spaces) they stand on, and what Snap shows while a
// window is being placed.

#include <algorithm>

#include "app/AppDelegate.h"
#include "app/tools/SnapTool.h"
#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"
#include "windows/FootprintWindow.h"
#include "windows/SnapDialView.h"
#include "windows/SnapFeature.h"

namespace tarnlet::scenario {

namespace {

// The way into the Snap tool, so a change in how the application hands out its tools touches only
// this line.
SnapFeature& snap(ScenarioSession& s) { return s.app().tool<SnapTool>().snap(); }

std::optional<int> processOf(ScenarioSession& s, const std::string& bundle) {
    const auto found = s.apps().find(bundle);
    if (found == s.apps().end()) return std::nullopt;
    return found->second;
}

// A desktop number as the user counts them, 1 for the first.
std::size_t desktopNumber(ScenarioWords& w) {
    const double number = w.seconds();
    if (number < 1) w.fail();
    return static_cast<std::size_t>(number);
}

std::optional<std::uint64_t> space(ScenarioSession& s, std::size_t number) {
    const auto spaces = s.desktop().windowServer().spaces();
    if (number < 1 || number > spaces.size()) return std::nullopt;
    return spaces[number - 1];
}

Status noDesktop(std::size_t number) {
    return Failure{"there is no desktop " + std::to_string(number) + " (add one with `desktop add`)"};
}

ScenarioAction parseApp(ScenarioWords& w) {
    const std::string bundle = w.word();
    std::string name = bundle.substr(bundle.rfind('.') + 1);
    if (!w.atEnd()) name = w.word();
    const bool enhanced = !w.atEnd() && !w.oneOf({"enhanced"}).empty();
    w.plan().startApp(bundle);
    return [bundle, name, enhanced](ScenarioSession& s) -> Status {
        if (processOf(s, bundle)) return Failure{"the application " + clip(bundle) + " already runs"};
        auto& d = s.desktop();
        const int pid = d.applications().launch(bundle, name, enhanced);
        s.apps()[bundle] = pid;
        // A launched application comes to the front.
        d.workspace().activateApplication(pid);
        d.keyboard().setFrontApplication(bundle);
        return success();
    };
}

ScenarioAction parseFront(ScenarioWords& w) {
    return [bundle = w.word()](ScenarioSession& s) {
        s.desktop().keyboard().setFrontApplication(bundle);
        if (const auto pid = processOf(s, bundle)) s.desktop().workspace().activateApplication(*pid);
        return success();
    };
}

ScenarioAction parseHide(ScenarioWords& w, bool hide) {
    return [bundle = w.startedApp(), hide](ScenarioSession& s) -> Status {
        const auto pid = processOf(s, bundle);
        if (!pid) return Failure{"no application " + clip(bundle) + " runs"};
        if (hide) s.desktop().workspace().hide(*pid);
        else s.desktop().workspace().unhide(*pid);
        return success();
    };
}

ScenarioAction parseWindow(ScenarioWords& w) {
    if (w.left() < 6) w.fail();
    const std::string bundle = w.startedApp();
    sim::SimApplications::WindowSpec spec;
    spec.title = w.word();
    spec.frame = w.rect();
    if (w.take("min")) {
        spec.minimumSize = {w.decimal(), w.decimal()};
        if (spec.minimumSize.width < 0 || spec.minimumSize.height < 0) w.fail();
    }
    if (w.take("fixed")) spec.sizeSettable = false;
    std::optional<std::size_t> desktop;
    if (w.take("desktop")) desktop = desktopNumber(w);
    return [bundle, spec, desktop](ScenarioSession& s) mutable -> Status {
        const auto pid = processOf(s, bundle);
        if (!pid) return Failure{"no application " + clip(bundle) + " runs (start it with an app line)"};
        if (desktop) {
            const auto id = space(s, *desktop);
            if (!id) return noDesktop(*desktop);
            spec.spaces = std::vector<std::uint64_t>{*id};
        }
        const AXElement element = s.desktop().applications().addWindow(*pid, spec);
        s.windows().push_back({element, bundle, spec.title, spec.frame});
        return success();
    };
}

ScenarioAction parseClose(ScenarioWords& w) {
    if (!w.exactly(2)) return {};
    const std::string bundle = w.startedApp();
    return [bundle, title = w.word()](ScenarioSession& s) -> Status {
        auto& windows = s.windows();
        const auto known = std::find_if(windows.begin(), windows.end(), [&](const ScenarioSession::KnownWindow& k) {
            return k.bundle == bundle && k.title == title;
        });
        if (known == windows.end()) return Failure{"no window \"" + clip(title) + "\" of " + clip(bundle) + " is open"};
        s.desktop().applications().closeWindow(known->element);
        windows.erase(known);
        return success();
    };
}

ScenarioAction parseDesktop(ScenarioWords& w) {
    if (w.left() == 1 && w.take("add")) {
        return [](ScenarioSession& s) {
            s.desktop().windowServer().addSpace();
            return success();
        };
    }
    if (w.left() != 2 || !w.take("show")) {
        w.fail();
        return {};
    }
    return [number = desktopNumber(w)](ScenarioSession& s) -> Status {
        const auto id = space(s, number);
        if (!id) return noDesktop(number);
        s.desktop().windowServer().activateSpace(*id);
        return success();
    };
}

ScenarioAction parseSpaces(ScenarioWords& w) {
    return [available = w.oneOf({"available", "unavailable"}) == "available"](ScenarioSession& s) {
        s.desktop().windowServer().setSpaceInterfaceAvailable(available);
        return success();
    };
}

ScenarioAction parseExpectFrame(ScenarioWords& w, bool) {
    if (w.left() != 5 && w.left() != 6) w.fail();
    const bool titled = w.left() == 6;
    const std::string bundle = w.startedApp();
    const std::string title = titled ? w.word() : std::string();
    const Rect expected = w.rect();
    return [bundle, titled, title, expected](ScenarioSession& s) -> Status {
        const auto pid = processOf(s, bundle);
        if (!pid) return Failure{"no application " + clip(bundle) + " runs"};
        auto& applications = s.desktop().applications();
        std::optional<AXElement> element;
        if (titled) {
            for (const auto& known : s.windows())
                if (known.bundle == bundle && known.title == title) element = known.element;
        } else {
            element = applications.focusedWindow(*pid);
        }
        const auto actual = element ? applications.windowFrame(*element) : std::nullopt;
        if (!actual) return Failure{"expected a window of " + clip(bundle) + " at " + describe(expected) + ", but there is none"};
        if (!sameAsWritten(*actual, expected))
            return Failure{"expected the window at " + describe(expected) + ", found " + describe(*actual)};
        return success();
    };
}

// Snap's preview of where a window will land: the one window of its level that is neither a notch
// bar nor the dial, and not faded out.
std::optional<Rect> footprint(ScenarioSession& s) {
    auto& panels = s.desktop().panels();
    for (const auto& record : panels.onScreen()) {
        if (record->options.level != FootprintWindow::kLevel) continue;
        if (std::dynamic_pointer_cast<const SnapDialView>(record->content)) continue;
        if (panels.alphaOf(*record) < 0.01) continue;
        return panels.frameOf(*record);
    }
    return std::nullopt;
}

ScenarioAction parseExpectFootprint(ScenarioWords& w, bool negated) {
    if (negated) {
        return [](ScenarioSession& s) -> Status {
            if (const auto shown = footprint(s)) return Failure{"expected no footprint, but one is shown at " + describe(*shown)};
            return success();
        };
    }
    return [expected = w.rect()](ScenarioSession& s) -> Status {
        const auto shown = footprint(s);
        if (!shown) return Failure{"expected a footprint at " + describe(expected) + ", but none is shown"};
        if (!sameAsWritten(*shown, expected))
            return Failure{"expected a footprint at " + describe(expected) + ", found " + describe(*shown)};
        return success();
    };
}

ScenarioAction parseExpectDial(ScenarioWords&, bool negated) {
    return [negated](ScenarioSession& s) -> Status {
        if (snap(s).mouseSnap().isRunning() != negated) return success();
        return Failure{negated ? "expected no snap dial, but it is shown" : "expected the snap dial to be shown"};
    };
}

ScenarioAction parseExpectRunning(ScenarioWords& w, bool negated) {
    if (!w.exactly(1)) return {};
    return [bundle = w.startedApp(), negated](ScenarioSession& s) -> Status {
        const auto pid = processOf(s, bundle);
        const bool running = pid && s.desktop().workspace().runningApplication(*pid).has_value();
        if (running != negated) return success();
        return Failure{negated ? "expected " + clip(bundle) + " to have quit, but it still runs"
                               : "expected " + clip(bundle) + " to be running"};
    };
}

using Negation = ScenarioExpectation::Negation;

const ScenarioCommands::Registrar kRegistrar(
    {{"app", "usage: app BUNDLE-ID [NAME] [enhanced]", parseApp},
     {"front", "usage: front BUNDLE-ID", parseFront},
     {"hide", "usage: hide BUNDLE-ID", [](ScenarioWords& w) { return parseHide(w, true); }},
     {"unhide", "usage: unhide BUNDLE-ID", [](ScenarioWords& w) { return parseHide(w, false); }},
     {"window", "usage: window BUNDLE-ID TITLE X Y WIDTH HEIGHT [min WIDTH HEIGHT] [fixed] [desktop N]", parseWindow},
     {"close", "usage: close BUNDLE-ID TITLE", parseClose},
     {"desktop", "usage: desktop add | desktop show N", parseDesktop},
     {"spaces", "usage: spaces available|unavailable", parseSpaces}},
    {{"frame", "expect frame BUNDLE-ID [TITLE] X Y WIDTH HEIGHT", Negation::refused, parseExpectFrame},
     {"footprint", "expect footprint X Y WIDTH HEIGHT | expect no footprint", Negation::allowed, parseExpectFootprint},
     {"dial", "expect [no] dial", Negation::allowed, parseExpectDial},
     {"running", "expect [no] running BUNDLE-ID", Negation::allowed, parseExpectRunning}});

}  // namespace

}  // namespace tarnlet::scenario
