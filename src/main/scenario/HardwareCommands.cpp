// The machine's hardware: screens and displays plugged in, the battery and power adapter, drives.

#include <algorithm>

#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"

namespace tarnlet::scenario {

namespace {

ScreenSpec screen(ScenarioWords& w) {
    const std::string word = w.word();
    const auto spec = screenSpec(word);
    if (!spec && !w.failed()) w.fail("'" + clip(word) + "' is not a screen (write it as 1512x982 or 1512x982+notch)");
    return spec.value_or(ScreenSpec{});
}

ScenarioAction parseScreens(ScenarioWords& w) {
    std::vector<ScreenSpec> specs;
    if (!(w.left() == 1 && w.take("none"))) {
        if (w.atEnd()) w.fail();
        while (!w.atEnd()) specs.push_back(screen(w));
    }
    return [specs](ScenarioSession& s) {
        // The first is the built-in panel; the others stand to its right in order.
        std::vector<Screen> screens;
        double x = 0;
        for (std::size_t i = 0; i < specs.size(); ++i) {
            const auto& spec = specs[i];
            const auto id = static_cast<std::uint32_t>(i + 1);
            screens.push_back(i == 0 ? sim::SimScreens::laptopPanel(spec.width, spec.height, spec.notch, id)
                                     : sim::SimScreens::externalDisplay(spec.width, spec.height, x, id));
            if (i > 0 && spec.notch) screens.back().safeAreaTopInset = 32;
            x += spec.width;
        }
        s.desktop().screens().setScreens(std::move(screens));
        return success();
    };
}

ScenarioAction parseDisplay(ScenarioWords& w) {
    if (w.left() == 1 && w.take("unplug")) {
        return [](ScenarioSession& s) -> Status {
            auto screens = s.desktop().screens().screens();
            const auto last = std::find_if(screens.rbegin(), screens.rend(), [](const Screen& screen) { return !screen.isBuiltin; });
            if (last == screens.rend()) return Failure{"no external display is plugged in"};
            screens.erase(std::next(last).base());
            s.desktop().screens().setScreens(std::move(screens));
            return success();
        };
    }
    if (!w.take("plug") || !w.exactly(1)) {
        w.fail();
        return {};
    }
    const auto spec = screenSpec(w.word());
    if (!spec) w.fail();
    return [size = spec.value_or(ScreenSpec{})](ScenarioSession& s) {
        auto screens = s.desktop().screens().screens();
        double x = 0;
        std::uint32_t id = 0;
        for (const auto& screen : screens) {
            x = std::max(x, screen.frame.maxX());
            id = std::max(id, screen.displayID);
        }
        screens.push_back(sim::SimScreens::externalDisplay(size.width, size.height, x, id + 1));
        s.desktop().screens().setScreens(std::move(screens));
        return success();
    };
}

ScenarioAction parseBattery(ScenarioWords& w) {
    const std::string word = w.word();
    if (word == "none" || word == "plug" || word == "unplug") {
        return [word](ScenarioSession& s) {
            auto& power = s.desktop().powerSources();
            if (word == "none") power.removeBattery();
            else if (word == "plug") power.plugIn();
            else power.unplug();
            return success();
        };
    }
    const auto percent = seconds(word);
    if (!percent || *percent > 100) w.fail();
    return [percent = static_cast<int>(percent.value_or(0))](ScenarioSession& s) {
        s.desktop().powerSources().setPercent(percent);
        return success();
    };
}

ScenarioAction parseDrive(ScenarioWords& w) {
    if (w.left() == 2 && w.take("unmount")) {
        return [name = w.word()](ScenarioSession& s) {
            s.desktop().volumes().unmount(name);
            return success();
        };
    }
    if (!w.take("mount")) w.fail();
    const std::string name = w.word();
    bool internal = false, hidden = false;
    while (!w.atEnd() && !w.failed()) {
        if (w.take("internal")) internal = true;
        else if (w.take("hidden")) hidden = true;
        else w.fail();
    }
    return [name, internal, hidden](ScenarioSession& s) {
        s.desktop().volumes().mount(name, internal, hidden);
        return success();
    };
}

const ScenarioCommands::Registrar kRegistrar({
    {"screens", "usage: screens WIDTHxHEIGHT[+notch] ... | screens none", parseScreens},
    {"display", "usage: display plug WIDTHxHEIGHT | display unplug", parseDisplay},
    {"battery", "usage: battery PERCENT | battery plug|unplug|none", parseBattery},
    {"drive", "usage: drive mount NAME [internal] [hidden] | drive unmount NAME", parseDrive},
});

}  // namespace

}  // namespace tarnlet::scenario
