// Breaks and keep-awake: the break screen and its pills, the number prompt for a custom keep-awake
// duration, power assertions and the menu-bar icon that shows a running session.

#include "app/AppDelegate.h"
#include "app/tools/BreaksTool.h"
#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"
#include "wellbeing/BreakOverlay.h"
#include "wellbeing/BreaksFeature.h"

namespace tarnlet::scenario {

namespace {

// The way into the Breaks tool, so a change in how the application hands out its tools touches
// only this line.
const BreakOverlay& breakScreen(ScenarioSession& s) { return s.app().tool<BreaksTool>().breaks().overlay(); }

// The process of the video player that `video play` starts.
constexpr int kVideoPlayerPID = 777;

// Writes the break screen as it goes up (and again when its panels are shown anew, as after a
// display change) and as it comes down.
class BreakScreenReport : public ScenarioPart {
public:
    explicit BreakScreenReport(ScenarioSession& session) : m_session(session) {}

    void panelShown(const sim::SimPanels::Record& record) override {
        if (record.options.level == BreakOverlay::kPanelLevel) m_panelShown = true;
    }

    void lineRan() override {
        const BreakOverlay& overlay = breakScreen(m_session);
        if (overlay.isShowing() && (m_panelShown || !m_reported)) {
            m_panelShown = false;
            m_reported = true;
            const auto texts = overlay.countdownTexts();
            m_session.print("break screen on " + std::to_string(overlay.panelCount()) + " display(s): \"" +
                            overlay.cards().front()->title() + "\" " + (texts.empty() ? std::string() : texts.front()));
        } else if (!overlay.isShowing() && m_reported) {
            m_reported = false;
            m_session.print("break screen down");
        }
    }

private:
    ScenarioSession& m_session;
    bool m_panelShown = false;
    bool m_reported = false;
};

ScenarioAction parseBreak(ScenarioWords& w) {
    if (!w.exactly(2)) return {};
    w.oneOf({"click"});
    const bool skip = w.oneOf({"skip", "snooze"}) == "skip";
    return [skip](ScenarioSession& s) -> Status {
        const BreakOverlay& overlay = breakScreen(s);
        const auto frames = skip ? overlay.skipButtonFramesOnDesktop() : overlay.snoozeButtonFramesOnDesktop();
        if (frames.empty()) return Failure{"no break screen is up"};
        auto& mouse = s.desktop().mouse();
        mouse.moveTo({frames.front().midX(), frames.front().midY()});
        mouse.leftDown();
        s.desktop().runUntilIdle();
        mouse.leftUp();
        return success();
    };
}

ScenarioAction parseVideo(ScenarioWords& w) {
    const bool play = w.oneOf({"play", "stop"}) == "play";
    return [play](ScenarioSession& s) {
        // A video player keeps the display awake while it plays.
        auto& assertions = s.desktop().powerAssertions();
        if (play) assertions.holdFor(kVideoPlayerPID, "NoDisplaySleepAssertion", "Playing video");
        else assertions.releaseAllOf(kVideoPlayerPID);
        return success();
    };
}

ScenarioAction parsePrompt(ScenarioWords& w) {
    if (w.left() == 1 && w.take("cancel")) {
        return [](ScenarioSession& s) {
            s.desktop().alerts().answerNext({1, "", 0});
            return success();
        };
    }
    if (!w.take("answer")) w.fail();
    const std::string text = w.word();
    const bool hours = !w.atEnd() && !w.oneOf({"hours"}).empty();
    return [text, hours](ScenarioSession& s) {
        s.desktop().alerts().answerNext({0, text, hours ? 1 : 0});
        return success();
    };
}

ScenarioAction parseExpectBreakScreen(ScenarioWords& w, bool negated) {
    const std::string text = negated || w.atEnd() ? std::string() : w.word();
    return [text, negated](ScenarioSession& s) -> Status {
        const BreakOverlay& overlay = breakScreen(s);
        if (negated) return overlay.isShowing() ? Status(Failure{"expected no break screen, but it is up"}) : success();
        if (!overlay.isShowing()) return Failure{"expected the break screen to be up"};
        if (text.empty()) return success();
        std::string seen;
        for (const auto& card : overlay.cards()) {
            for (const std::string& shown : {card->title(), card->body(), card->countdown(), card->skipButton().title,
                                             card->snoozeButton().title}) {
                if (shown.find(text) != std::string::npos) return success();
                seen += (seen.empty() ? "" : ", ") + shown;
            }
        }
        return Failure{"expected the break screen to show \"" + clip(text) + "\"; it shows " + seen};
    };
}

ScenarioAction parseExpectAssertion(ScenarioWords& w, bool negated) {
    return [type = w.word(), negated](ScenarioSession& s) -> Status {
        const auto& own = s.desktop().powerAssertions().ownAssertions();
        std::string held;
        bool found = false;
        for (const auto& assertion : own) {
            found = found || assertion.type == type;
            held += (held.empty() ? "" : ", ") + assertion.type;
        }
        if (found != negated) return success();
        if (negated) return Failure{"expected no power assertion " + clip(type) + ", but one is held"};
        return Failure{"expected a power assertion " + clip(type) + "; held: " + (held.empty() ? "none" : held)};
    };
}

ScenarioAction parseExpectIcon(ScenarioWords& w, bool) {
    const bool awake = w.oneOf({"awake", "plain"}) == "awake";
    return [awake](ScenarioSession& s) -> Status {
        const auto image = s.desktop().statusBar().image();
        const bool showsAwake = image && image->name.find("awake") != std::string::npos;
        if (showsAwake == awake) return success();
        return Failure{std::string("expected the menu-bar icon ") + (awake ? "awake" : "plain") + ", found " +
                       (image ? image->name : std::string("none"))};
    };
}

using Negation = ScenarioExpectation::Negation;

const ScenarioCommands::Registrar kRegistrar(
    {{"break", "usage: break click skip|snooze", parseBreak},
     {"video", "usage: video play|stop", parseVideo},
     {"prompt", "usage: prompt answer TEXT [hours] | prompt cancel", parsePrompt}},
    {{"break-screen", "expect break-screen [\"TEXT\"] | expect no break-screen", Negation::allowed,
      parseExpectBreakScreen},
     {"assertion", "expect [no] assertion TYPE", Negation::allowed, parseExpectAssertion},
     {"icon", "expect icon awake|plain", Negation::refused, parseExpectIcon}},
    {{"break screen", [](ScenarioSession& s) { s.part<BreakScreenReport>(); }}});

}  // namespace

}  // namespace tarnlet::scenario
