// The keyboard: keys held and struck, secure input, the right-hand chord's feature keys, and what
// reached the front application.

#include "app/AppDelegate.h"
#include "keys/FeatureChords.h"
#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"

namespace tarnlet::scenario {

namespace {

// Where the previous `expect … received` stopped reading the keys delivered.
struct ReceivedCursor : ScenarioPart {
    std::size_t next = 0;
};

std::uint16_t key(ScenarioWords& w) {
    const std::string name = w.word();
    const auto code = sim::SimKeyboard::keyCode(name);
    if (!code && !w.failed()) w.fail("unknown key '" + clip(name) + "'");
    return code.value_or(0);
}

ScenarioAction parseKey(ScenarioWords& w) {
    if (!w.exactly(2)) return {};
    const bool down = w.oneOf({"down", "up"}) == "down";
    const auto code = key(w);
    return [down, code](ScenarioSession& s) {
        if (down) s.desktop().keyboard().keyDown(code);
        else s.desktop().keyboard().keyUp(code);
        return success();
    };
}

ScenarioAction parsePress(ScenarioWords& w) {
    std::vector<std::uint16_t> codes;
    if (w.atEnd()) w.fail();
    while (!w.atEnd()) codes.push_back(key(w));
    return [codes](ScenarioSession& s) {
        for (const auto code : codes) {
            s.desktop().keyboard().press(code);
            s.desktop().runUntilIdle();
        }
        return success();
    };
}

ScenarioAction parseSecureInput(ScenarioWords& w) {
    return [on = w.onOff()](ScenarioSession& s) {
        s.desktop().keyboard().setSecureEventInput(on);
        return success();
    };
}

ScenarioAction parseFeatureKey(ScenarioWords& w) {
    const auto featureKey = FeatureChords::fromRawValue(w.word());
    if (!featureKey) {
        w.fail();
        return {};
    }
    return [featureKey = *featureKey](ScenarioSession& s) {
        s.app().runFeatureKey(featureKey);
        return success();
    };
}

ScenarioAction parseExpectReceived(ScenarioWords& w, bool negated) {
    if (w.left() != 1 && w.left() != 2) {
        w.fail();
        return {};
    }
    const std::string name = w.peek();
    const auto code = key(w);
    const bool up = !w.atEnd() && w.oneOf({"down", "up"}) == "up";
    return [name, code, up, negated](ScenarioSession& s) -> Status {
        // Each such expectation looks at what the front application received since the last.
        const auto& delivered = s.desktop().keyboard().delivered();
        auto& cursor = s.part<ReceivedCursor>().next;
        bool seen = false;
        for (std::size_t i = cursor; i < delivered.size(); ++i)
            seen = seen || (delivered[i].event.keyCode == code &&
                            delivered[i].event.type == (up ? EventType::keyUp : EventType::keyDown));
        cursor = delivered.size();
        if (seen != negated) return success();
        return Failure{std::string(negated ? "expected the front application not to receive "
                                           : "expected the front application to receive ") +
                       "the key-" + (up ? "up" : "down") + " of " + name};
    };
}

ScenarioAction parseExpectHints(ScenarioWords& w, bool) {
    return [expected = w.word()](ScenarioSession& s) -> Status {
        const auto caption = s.app().leaderHintCaption();
        const std::string shown = caption.value_or("none");
        if (shown == expected) return success();
        return Failure{"expected the hint strip " + clip(expected) + ", found " + shown};
    };
}

using Negation = ScenarioExpectation::Negation;

const ScenarioCommands::Registrar kRegistrar(
    {{"key", "usage: key down|up KEY", parseKey},
     {"press", "usage: press KEY [KEY …]", parsePress},
     {"secure-input", "usage: secure-input on|off", parseSecureInput},
     {"feature-key", "usage: feature-key awake|focus|shelf|breaks|ocr|clipboard|settings|profile1|profile2",
      parseFeatureKey}},
    {{"received", "expect [no] received KEY [down|up]", Negation::allowed, parseExpectReceived},
     {"hints", "expect hints CAPTION|none", Negation::refused, parseExpectHints}});

}  // namespace

}  // namespace tarnlet::scenario
