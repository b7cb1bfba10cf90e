#include "diagnostics/Log.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "diagnostics/CrashReporter.h"
#include "diagnostics/FileLog.h"
#include "platform/sim/SimSystemLog.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using test::readText;

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileLog::setDirectory(m_home.path() / "Logs");
        FileLog::setClock([] { return 1796345184.123; });
        Log::setSystemLog(&m_systemLog);
    }
    void TearDown() override {
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
        FileLog::setClock(nullptr);
        CrashReporter::breadcrumb("");
    }

    test::TempDir m_home;
    sim::SimSystemLog m_systemLog;
};

TEST_F(LogTest, SwitchedOffRunsNoBuilderAndWritesNothing) {
    int built = 0;
    Log::debug([&] {
        ++built;
        return std::string("expensive");
    });
    Log::debug("plain");
    Log::session([&] {
        ++built;
        return std::string("header");
    });
    EXPECT_EQ(built, 0);
    EXPECT_TRUE(m_systemLog.lines().empty());
    EXPECT_FALSE(std::filesystem::exists(FileLog::directory()));
}

TEST_F(LogTest, SwitchedOnWritesToTheSystemLogAndTheFile) {
    Log::setDebugEnabled(true);
    Log::session([] { return std::string("Tarnlet 0.1.0 (1)"); });
    Log::debug([] { return std::string("Feature Snap: ON"); });
    Log::debug("50% of %s");

    ASSERT_EQ(m_systemLog.lines().size(), 3u);
    EXPECT_EQ(m_systemLog.lines()[0].text, "Tarnlet 0.1.0 (1)");
    EXPECT_EQ(m_systemLog.lines()[1].text, "Feature Snap: ON");
    EXPECT_EQ(m_systemLog.lines()[2].text, "50% of %s");
    EXPECT_FALSE(m_systemLog.lines()[1].error);
    EXPECT_EQ(readText(FileLog::fileURL()),
              "2026-12-04T00:46:24.123Z ═══ Tarnlet 0.1.0 (1) ═══\n"
              "2026-12-04T00:46:24.123Z Feature Snap: ON\n"
              "2026-12-04T00:46:24.123Z 50% of %s\n");

    Log::setDebugEnabled(false);
    Log::debug("after switching off");
    EXPECT_EQ(m_systemLog.lines().size(), 3u);
}

TEST_F(LogTest, WithoutASystemLogTheFileStillGetsTheLine) {
    Log::setSystemLog(nullptr);
    Log::setDebugEnabled(true);
    Log::debug("file only");
    Log::error("nowhere to go");
    EXPECT_EQ(readText(FileLog::fileURL()), "2026-12-04T00:46:24.123Z file only\n");
}

TEST_F(LogTest, ErrorsGoToTheSystemLogOnlyWhateverTheSwitch) {
    Log::error("Uncaught exception: x — y");
    ASSERT_EQ(m_systemLog.lines().size(), 1u);
    EXPECT_TRUE(m_systemLog.lines()[0].error);
    EXPECT_EQ(m_systemLog.lines()[0].text, "Uncaught exception: x — y");
    EXPECT_FALSE(std::filesystem::exists(FileLog::fileURL()));
}

TEST_F(LogTest, BreadcrumbsAreCutAt255BytesWithoutSplittingACharacter) {
    CrashReporter::breadcrumb("Shelf: converting photo.heic");
    EXPECT_EQ(CrashReporter::currentBreadcrumb(), "Shelf: converting photo.heic");

    CrashReporter::breadcrumb(std::string(300, 'b'));
    EXPECT_EQ(CrashReporter::currentBreadcrumb(), std::string(255, 'b'));

    // "é" is two bytes: one at 254 would straddle the limit, so it is left out whole.
    const std::string accented = std::string(254, 'a') + "é" + "tail";
    CrashReporter::breadcrumb(accented);
    EXPECT_EQ(CrashReporter::currentBreadcrumb(), std::string(254, 'a'));

    // A four-byte character ending exactly at the limit stays.
    const std::string emoji = std::string(251, 'a') + "😀" + "tail";
    CrashReporter::breadcrumb(emoji);
    EXPECT_EQ(CrashReporter::currentBreadcrumb(), std::string(251, 'a') + "😀");

    CrashReporter::breadcrumb("");
    EXPECT_EQ(CrashReporter::currentBreadcrumb(), "");
}

TEST_F(LogTest, BreadcrumbsAreLoggedInFullWhileLoggingIsOn) {
    CrashReporter::breadcrumb("quiet");
    EXPECT_TRUE(m_systemLog.lines().empty());

    Log::setDebugEnabled(true);
    const std::string longText(300, 'c');
    CrashReporter::breadcrumb(longText);
    ASSERT_EQ(m_systemLog.lines().size(), 1u);
    EXPECT_EQ(m_systemLog.lines()[0].text, "· " + longText);
    EXPECT_EQ(readText(FileLog::fileURL()), "2026-12-04T00:46:24.123Z · " + longText + "\n");
}

}  // namespace
}  // namespace tarnlet
