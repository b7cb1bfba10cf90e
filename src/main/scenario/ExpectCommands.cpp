// `expect [no] WHAT …`: reads the subcommand and hands the rest of the line to the expectation an
// area registered under that name; the expectations about the log, notices and notch bars, which
// belong to no single tool, live here too.

#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"
#include "notch/NotchBarView.h"

namespace tarnlet::scenario {

namespace {

ScenarioAction parseExpect(ScenarioWords& w) {
    w.setUsage(ScenarioCommands::expectUsage());
    const bool negated = w.take("no");
    const std::string name = w.word();
    if (w.failed()) return {};
    const ScenarioExpectation* expectation = ScenarioCommands::findExpectation(name);
    if (!expectation) {
        w.fail();
        return {};
    }
    w.setUsage("usage: " + expectation->usage);
    if (negated && expectation->negation == ScenarioExpectation::Negation::refused) {
        w.fail();
        return {};
    }
    return expectation->parse(w, negated);
}

ScenarioAction parseLog(ScenarioWords& w, bool negated) {
    if (!w.exactly(1)) return {};
    return [text = w.word(), negated](ScenarioSession& s) -> Status {
        const auto& log = s.desktop().systemLog();
        if (log.contains(text) != negated) return success();
        if (negated) return Failure{"expected no log line containing \"" + clip(text) + "\", but one was written"};
        return Failure{"expected a log line containing \"" + clip(text) + "\"; " +
                       (log.lines().empty() ? std::string("nothing was logged (is diagnostics.logging on?)")
                                            : "the last was \"" + log.lines().back().text + "\"")};
    };
}

ScenarioAction parseNotice(ScenarioWords& w, bool negated) {
    if (!w.exactly(1)) return {};
    return [id = w.word(), negated](ScenarioSession& s) -> Status {
        const auto& notices = s.desktop().notices();
        if (notices.isDelivered(id) != negated) return success();
        if (negated) return Failure{"expected no notice " + clip(id) + ", but it is shown"};
        return Failure{"expected the notice " + clip(id) + " to be shown; " + std::to_string(notices.delivered().size()) +
                       " notice(s) are shown"};
    };
}

std::vector<std::string> barsOnScreen(ScenarioSession& s) {
    std::vector<std::string> bars;
    for (const auto& record : s.desktop().panels().onScreen())
        if (auto bar = std::dynamic_pointer_cast<const NotchBarView>(record->content)) bars.push_back(describe(bar->content()));
    return bars;
}

ScenarioAction parseBar(ScenarioWords& w, bool negated) {
    if (!w.exactly(1)) return {};
    return [text = w.word(), negated](ScenarioSession& s) -> Status {
        const auto bars = barsOnScreen(s);
        bool seen = false;
        for (const auto& bar : bars) seen = seen || bar.find(text) != std::string::npos;
        if (seen != negated) return success();
        if (negated) return Failure{"expected no notch bar showing \"" + clip(text) + "\", but one is on screen"};
        std::string all;
        for (const auto& bar : bars) all += (all.empty() ? "" : "; ") + bar;
        return Failure{"expected a notch bar showing \"" + clip(text) + "\"; on screen: " + (all.empty() ? "nothing" : all)};
    };
}

const ScenarioCommands::Registrar kRegistrar(
    {{"expect", "", parseExpect}},
    {{"log", "expect [no] log \"TEXT\"", ScenarioExpectation::Negation::allowed, parseLog},
     {"notice", "expect [no] notice ID", ScenarioExpectation::Negation::allowed, parseNotice},
     {"bar", "expect [no] bar \"TEXT\"", ScenarioExpectation::Negation::allowed, parseBar}});

}  // namespace

}  // namespace tarnlet::scenario
