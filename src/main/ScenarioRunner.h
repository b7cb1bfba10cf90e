#pragma once
// Runs a scenario file on the simulated desktop with the whole application, printing a transcript
// of what the system did: log lines, notices, settings writes, windows shown. The file format is
// described in docs/scenarios.md. Every line is checked before anything runs, so a malformed
// scenario fails without side effects.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tarnlet {

class ScenarioRunner {
public:
    enum ExitCode { kPassed = 0, kExpectationFailed = 1, kBadScenario = 2 };

    struct Options {
        std::filesystem::path file;
        // The sandbox home; a fresh temporary folder, removed afterwards, when none is given.
        std::optional<std::filesystem::path> home;
        // Arguments handed to the application at launch ("--appearance dark" …).
        std::vector<std::string> launchArguments;
    };

    ScenarioRunner(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}
    int run(const Options& options);

private:
    std::ostream& m_out;
    std::ostream& m_err;
};

}  // namespace tarnlet
