#include "main/ScenarioRunner.h"

#include <fstream>
#include <ostream>

#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"
#include "platform/TemporaryFolder.h"

namespace tarnlet {

namespace {

using scenario::ScenarioAction;
using scenario::Words;

struct Line {
    int number = 0;
    Words words;
    ScenarioAction action;
};

// A line as the transcript echoes it: words that need quotes to read back the same get them.
std::string echo(const Words& words) {
    std::string joined;
    for (const auto& word : words) {
        const bool quote = word.empty() || word.find_first_of(" \t#\"") != std::string::npos;
        joined += (joined.empty() ? "" : " ") + (quote ? "\"" + word + "\"" : word);
    }
    return joined;
}

}  // namespace

int ScenarioRunner::run(const Options& options) {
    std::ifstream in(options.file);
    if (!in) {
        m_err << "tarnlet: cannot read the scenario " << options.file.string() << '\n';
        return kBadScenario;
    }
    const std::string name = options.file.string();
    const auto refuse = [&](int number, const std::string& problem) {
        m_err << name << ':' << number << ": " << problem << '\n';
        return kBadScenario;
    };

    // Every line is parsed before anything runs, so a malformed scenario changes nothing.
    std::vector<Line> lines;
    scenario::ScenarioPlan plan;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        // A NUL byte would end the word at it for every C string the word passes through later, so
        // the line would quietly run as something shorter than it reads.
        if (text.find('\0') != std::string::npos) return refuse(number, "the line contains a NUL byte");
        std::string error;
        auto words = scenario::splitWords(text, error);
        if (!words) return refuse(number, error);
        if (words->empty()) continue;
        auto action = scenario::ScenarioCommands::parse(*words, plan);
        if (!action.ok()) return refuse(number, action.error());
        lines.push_back({number, std::move(*words), std::move(action).value()});
    }

    TemporaryFolder temporary("tarnlet-sim");
    const std::filesystem::path home = options.home.value_or(temporary.path());
    if (home.empty()) {
        m_err << "tarnlet: cannot create a sandbox home folder\n";
        return kBadScenario;
    }
    std::error_code ignored;
    std::filesystem::create_directories(home, ignored);

    scenario::ScenarioSession session(m_out, home, options.launchArguments);
    // Lines before a `launch` line set up the world the application starts in; without one, it
    // starts before the first line.
    if (!plan.launches()) (void)session.launch({});
    for (const Line& line : lines) {
        m_out << "» " << echo(line.words) << '\n';
        const Status status = line.action(session);
        if (!status.ok()) {
            m_out.flush();
            m_err << name << ':' << line.number << ": " << status.error() << '\n';
            return kExpectationFailed;
        }
        session.lineRan();
    }
    m_out << "scenario passed: " << lines.size() << " line(s)\n";
    return kPassed;
}

}  // namespace tarnlet
