#include "main/scenario/ScenarioCommands.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace tarnlet::scenario {

namespace {

// Function-local, so a registrar in any file finds the tables built whatever the order in which
// files are initialised. Ordered maps keep the usage list and the parts' order independent of it.
struct Tables {
    std::map<std::string, ScenarioCommand> commands;
    std::map<std::string, ScenarioExpectation> expectations;
    std::map<std::string, ScenarioPartMaker> parts;
};

Tables& tables() {
    static Tables instance;
    return instance;
}

// Two areas claiming one name is a programming error every scenario would trip over; stop at once
// rather than let link order decide which one wins.
template <class Entry>
void insert(std::map<std::string, Entry>& table, const Entry& entry, const char* kind) {
    if (!table.emplace(entry.name, entry).second) {
        std::fprintf(stderr, "tarnlet: the scenario %s '%s' is registered twice\n", kind, entry.name.c_str());
        std::abort();
    }
}

}  // namespace

ScenarioCommands::Registrar::Registrar(std::initializer_list<ScenarioCommand> commands,
                                       std::initializer_list<ScenarioExpectation> expectations,
                                       std::initializer_list<ScenarioPartMaker> parts) {
    Tables& t = tables();
    for (const auto& command : commands) insert(t.commands, command, "command");
    for (const auto& expectation : expectations) insert(t.expectations, expectation, "expectation");
    for (const auto& part : parts) insert(t.parts, part, "part");
}

Result<ScenarioAction> ScenarioCommands::parse(const Words& words, ScenarioPlan& plan) {
    const auto& commands = tables().commands;
    const auto command = commands.find(words.front());
    if (command == commands.end()) return Failure{"unknown command '" + clip(words.front()) + "'"};
    ScenarioWords reader(words, 1, command->second.usage, plan);
    ScenarioAction action = command->second.parse(reader);
    if (!reader.failed() && !reader.atEnd()) reader.fail();
    if (auto problem = reader.problem()) return Failure{*problem};
    if (!action) return Failure{"the line '" + clip(words.front()) + "' does nothing"};
    return action;
}

std::string ScenarioCommands::expectUsage() {
    std::string usage;
    for (const auto& [name, expectation] : tables().expectations)
        usage += (usage.empty() ? "usage: " : " | ") + expectation.usage;
    return usage;
}

const ScenarioExpectation* ScenarioCommands::findExpectation(const std::string& name) {
    const auto& expectations = tables().expectations;
    const auto found = expectations.find(name);
    return found == expectations.end() ? nullptr : &found->second;
}

void ScenarioCommands::makeParts(ScenarioSession& session) {
    for (const auto& [name, part] : tables().parts) part.make(session);
}

}  // namespace tarnlet::scenario
