// What the scenario runner does with input that the checked-in scenarios cannot carry: NUL bytes,
// runaway words, and files that are not regular files.

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "main/ScenarioRunner.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class ScenarioRunnerTest : public ::testing::Test {
protected:
    struct Outcome {
        int status = -1;
        std::string out;
        std::string err;
    };

    Outcome run(const std::string& text) {
        const auto file = m_folder.path() / "test.scenario";
        std::ofstream(file, std::ios::binary) << text;
        ScenarioRunner::Options options;
        options.file = file;
        options.home = m_folder.path() / "home";
        std::ostringstream out, err;
        const int status = ScenarioRunner(out, err).run(options);
        return {status, out.str(), err.str()};
    }

    test::TempDir m_folder;
};

TEST_F(ScenarioRunnerTest, NulByteRefusesTheLineInsteadOfCuttingItShort) {
    const auto outcome = run("advance 1\n" + std::string("advance 2\0 junk", 15) + "\n");
    EXPECT_EQ(outcome.status, ScenarioRunner::kBadScenario);
    EXPECT_EQ(outcome.err, (m_folder.path() / "test.scenario").string() + ":2: the line contains a NUL byte\n");
    EXPECT_EQ(outcome.out, "");
}

TEST_F(ScenarioRunnerTest, MessagesQuoteOnlyTheStartOfARunawayWord) {
    // Two-byte characters, so a cut in the middle of one would show as a broken character.
    std::string huge;
    for (int i = 0; i < 500000; ++i) huge += "é";
    for (const std::string& line : {huge, "settings set " + huge + " 1", "settings set sweep.delay " + huge}) {
        const auto outcome = run(line + "\n");
        EXPECT_EQ(outcome.status, ScenarioRunner::kBadScenario);
        EXPECT_LT(outcome.err.size(), 400u);
        EXPECT_NE(outcome.err.find(huge.substr(0, 120) + "…'"), std::string::npos) << outcome.err.substr(0, 400);
    }
    // An expectation that fails at run time quotes its word as shortly.
    const auto outcome = run("expect log \"" + huge + "\"\n");
    EXPECT_EQ(outcome.status, ScenarioRunner::kExpectationFailed);
    EXPECT_LT(outcome.err.size(), 400u);
}

TEST_F(ScenarioRunnerTest, BackupImportOfANamedPipeFailsInsteadOfWaitingForAWriter) {
    const auto pipe = m_folder.path() / "backup.json";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto outcome = run("backup import \"" + pipe.string() + "\"\n");
    EXPECT_EQ(outcome.status, ScenarioRunner::kExpectationFailed);
    EXPECT_NE(outcome.err.find(":1: cannot read the backup " + pipe.string()), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace tarnlet
