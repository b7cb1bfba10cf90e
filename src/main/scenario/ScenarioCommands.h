#pragma once
// The table of scenario commands. Each area's file in this folder registers its commands, its
// `expect` subcommands and the session parts it needs through a file-level Registrar, so a new
// area is one new file here and nothing else:
//
//     const ScenarioCommands::Registrar kRegistrar(
//         {{"advance", "usage: advance SECONDS", [](ScenarioWords& w) -> ScenarioAction {
//             const double seconds = w.seconds();
//             return [seconds](ScenarioSession& s) { s.desktop().advanceBy(seconds); return success(); };
//         }}});
//
// A line is parsed once, before anything runs, into a bound action that the runner calls later;
// a parser that finds a problem tells its ScenarioWords and returns anything (an empty action).
// Registration happens during static initialisation; everything else on the main thread.

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"
#include "main/scenario/ScenarioWords.h"

namespace tarnlet::scenario {

class ScenarioSession;
class ScenarioPart;

// What a line does when it runs: a failure ends the scenario with the line's number and reason.
using ScenarioAction = std::function<Status(ScenarioSession&)>;

struct ScenarioCommand {
    std::string name;
    // What a line that does not follow the grammar is told ("usage: …").
    std::string usage;
    std::function<ScenarioAction(ScenarioWords&)> parse;
};

// An `expect [no] NAME …` line. The usage also lists the subcommand under `expect` alone.
struct ScenarioExpectation {
    enum class Negation { refused, allowed };
    std::string name;
    std::string usage;
    Negation negation = Negation::allowed;
    std::function<ScenarioAction(ScenarioWords&, bool negated)> parse;
};

// A session part made when a session starts, so that it sees the whole run (panels shown, the end
// of every line) before any of the area's lines uses it.
struct ScenarioPartMaker {
    // Parts are made, and report after each line, in the order of these names.
    std::string name;
    std::function<void(ScenarioSession&)> make;
};

class ScenarioCommands {
public:
    ScenarioCommands() = delete;

    class Registrar {
    public:
        explicit Registrar(std::initializer_list<ScenarioCommand> commands,
                           std::initializer_list<ScenarioExpectation> expectations = {},
                           std::initializer_list<ScenarioPartMaker> parts = {});
    };

    // The line's action, or why the line cannot run. `words` is not empty.
    static Result<ScenarioAction> parse(const Words& words, ScenarioPlan& plan);
    // What `expect` alone, or with an unknown subcommand, is told: every expectation's usage.
    static std::string expectUsage();
    static const ScenarioExpectation* findExpectation(const std::string& name);
    // Makes every registered part for a session that is starting.
    static void makeParts(ScenarioSession& session);
};

}  // namespace tarnlet::scenario
