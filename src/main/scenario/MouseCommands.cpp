// The mouse and the user's activity as the idle timers see it.

#include <cmath>

#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"

namespace tarnlet::scenario {

namespace {

ScenarioAction parseMouse(ScenarioWords& w) {
    if (w.left() == 1) {
        const bool down = w.oneOf({"down", "up"}) == "down";
        return [down](ScenarioSession& s) {
            if (down) s.desktop().mouse().leftDown();
            else s.desktop().mouse().leftUp();
            return success();
        };
    }
    if (!w.take("move") || (w.left() != 2 && w.left() != 3)) {
        w.fail();
        return {};
    }
    const Point to{w.decimal(), w.decimal()};
    int steps = 1;
    if (!w.atEnd()) {
        const double count = w.seconds();
        if (count < 1 || count > 1000 || count != std::floor(count)) w.fail();
        steps = static_cast<int>(count);
    }
    return [to, steps](ScenarioSession& s) {
        // The pointer travels in equal steps, and what falls due on the way runs between them.
        auto& mouse = s.desktop().mouse();
        const Point from = mouse.location();
        for (int i = 1; i <= steps; ++i) {
            mouse.moveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
            s.desktop().runUntilIdle();
        }
        return success();
    };
}

ScenarioAction parseScroll(ScenarioWords&) {
    return [](ScenarioSession& s) {
        s.desktop().keyboard().scroll();
        return success();
    };
}

ScenarioAction parseUser(ScenarioWords& w) {
    const std::string doing = w.oneOf({"typing", "moving", "still"});
    return [doing](ScenarioSession& s) {
        // Typing and moving the mouse go on until the user is told otherwise.
        s.desktop().inputIdle().setContinuous(EventType::keyDown, doing == "typing");
        s.desktop().inputIdle().setContinuous(EventType::mouseMoved, doing == "moving");
        return success();
    };
}

ScenarioAction parseIdle(ScenarioWords& w) {
    if (!w.exactly(1)) return {};
    return [seconds = w.seconds()](ScenarioSession& s) {
        s.desktop().inputIdle().setIdleFor(0);
        s.desktop().advanceBy(seconds);
        return success();
    };
}

const ScenarioCommands::Registrar kRegistrar({
    {"mouse", "usage: mouse move X Y [STEPS] | mouse down | mouse up", parseMouse},
    {"scroll", "'scroll' takes no arguments", parseScroll},
    {"user", "usage: user typing|moving|still", parseUser},
    {"idle", "usage: idle SECONDS", parseIdle},
});

}  // namespace

}  // namespace tarnlet::scenario
