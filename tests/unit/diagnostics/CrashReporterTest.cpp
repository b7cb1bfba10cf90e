// The crash recorder is exercised in a child process (crash_probe) that really crashes; the tests
// check how it died and what it left in its log.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

extern char** environ;

namespace tarnlet {
namespace {

using test::readText;

struct ProbeResult {
    int status = 0;
    std::string log;
};

class CrashReporterTest : public ::testing::Test {
protected:
    std::filesystem::path logFolder() const { return m_home.path() / "Logs"; }

    // Sanitizer options inherited from the caller could hand the fatal signals to the sanitizer
    // runtime of an instrumented build (which would then report a stack overflow itself); these keep
    // the crash recorder's handlers in charge whatever the caller set.
    static std::vector<std::string> childEnvironment() {
        std::vector<std::string> environment;
        std::string asan = "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:"
                           "handle_abort=0:allow_user_segv_handler=1:detect_stack_use_after_return=0:detect_leaks=0";
        for (char** entry = environ; *entry; ++entry) {
            std::string text = *entry;
            if (text.starts_with("ASAN_OPTIONS=")) {
                asan = text + ":" + asan.substr(std::strlen("ASAN_OPTIONS="));
                continue;
            }
            environment.push_back(text);
        }
        environment.push_back(asan);
        return environment;
    }

    ProbeResult run(const std::string& mode) {
        std::vector<std::string> arguments = {TARNLET_CRASH_PROBE, mode, logFolder().string()};
        std::vector<std::string> environment = childEnvironment();
        std::vector<char*> argv, envp;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        for (auto& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);

        pid_t child = fork();
        if (child == 0) {
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        ProbeResult result;
        EXPECT_GT(child, 0);
        if (child > 0) {
            EXPECT_EQ(waitpid(child, &result.status, 0), child);
        }
        result.log = readText(logFolder() / "debug.log");
        return result;
    }

    static void expectKilledBy(const ProbeResult& result, int signal) {
        ASSERT_TRUE(WIFSIGNALED(result.status)) << "exit status " << WEXITSTATUS(result.status) << "\n" << result.log;
        EXPECT_EQ(WTERMSIG(result.status), signal);
    }

    // The text between a report's heading and its end line, which must close the log.
    static std::string report(const std::string& log, const std::string& heading) {
        auto at = log.find(heading);
        EXPECT_NE(at, std::string::npos) << log;
        if (at == std::string::npos) return {};
        auto end = log.find("=== end crash ===\n", at);
        EXPECT_NE(end, std::string::npos) << log;
        return log.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }

    test::TempDir m_home;
};

TEST_F(CrashReporterTest, ASegmentationFaultIsReportedAndStillKillsTheProcess) {
    test::writeText(logFolder() / "debug.log", "earlier line\n");
    auto result = run("segv");
    expectKilledBy(result, SIGSEGV);
    EXPECT_TRUE(result.log.starts_with("earlier line\n\n=== CRASH signal 11 (Segmentation fault) ===\n"
                                       "last: Shelf: converting photo.heic\n"))
        << result.log;
    EXPECT_TRUE(result.log.ends_with("\n=== end crash ===\n"));
    // The backtrace sits between the heading and the end line.
    const std::string body = report(result.log, "=== CRASH signal 11");
    EXPECT_GE(std::count(body.begin(), body.end(), '\n'), 4);
}

TEST_F(CrashReporterTest, AStackOverflowIsReportedFromTheAlternateStack) {
    auto result = run("overflow");
    expectKilledBy(result, SIGSEGV);
    EXPECT_NE(result.log.find("\n=== CRASH signal 11 (Segmentation fault) ===\nlast: Shelf: expanding\n"),
              std::string::npos)
        << result.log.substr(0, 2000);
    EXPECT_TRUE(result.log.ends_with("=== end crash ===\n"));
}

TEST_F(CrashReporterTest, AnAbortIsReported) {
    auto result = run("abort");
    expectKilledBy(result, SIGABRT);
    EXPECT_TRUE(result.log.starts_with("\n=== CRASH signal 6 (Aborted) ===\nlast: Shelf: adding files\n")) << result.log;
    EXPECT_TRUE(result.log.ends_with("=== end crash ===\n"));
}

TEST_F(CrashReporterTest, AnUncaughtExceptionIsReportedWithItsTypeAndReason) {
    auto result = run("exception");
    expectKilledBy(result, SIGABRT);
    EXPECT_TRUE(result.log.starts_with("\n=== CRASH exception std::runtime_error ===\n"
                                       "last: Shelf: drop\n"
                                       "reason: boom\n"))
        << result.log;
    const std::string body = report(result.log, "=== CRASH exception");
    // The stack symbols, one frame a line, right up to the end line.
    EXPECT_GE(std::count(body.begin(), body.end(), '\n'), 6) << body;
    EXPECT_TRUE(body.ends_with("]\n")) << body;
    // The abort that follows is reported as a signal after the exception's own report.
    EXPECT_NE(result.log.find("=== end crash ===\n\n=== CRASH signal 6 (Aborted) ===\n"), std::string::npos);
}

TEST_F(CrashReporterTest, ALongBreadcrumbIsCutTo255Bytes) {
    auto result = run("breadcrumb-long");
    expectKilledBy(result, SIGSEGV);
    EXPECT_NE(result.log.find("\nlast: " + std::string(255, 'b') + "\n"), std::string::npos) << result.log;
}

TEST_F(CrashReporterTest, NoBreadcrumbMeansNoLastLine) {
    auto result = run("nobreadcrumb");
    expectKilledBy(result, SIGSEGV);
    EXPECT_TRUE(result.log.starts_with("\n=== CRASH signal 11 (Segmentation fault) ===\n")) << result.log;
    EXPECT_EQ(result.log.find("last: "), std::string::npos);
    EXPECT_TRUE(result.log.ends_with("=== end crash ===\n"));
}

TEST_F(CrashReporterTest, AReportAfterTheLogWasClearedLandsInANewLog) {
    auto result = run("cleared");
    expectKilledBy(result, SIGSEGV);
    EXPECT_TRUE(result.log.starts_with("\n=== CRASH signal 11 (Segmentation fault) ===\nlast: after clearing\n"))
        << result.log;
}

}  // namespace
}  // namespace tarnlet
