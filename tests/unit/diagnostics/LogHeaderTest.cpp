#include "diagnostics/LogHeader.h"

#include <gtest/gtest.h>

#include "Version.h"
#include "platform/sim/SimScreens.h"

namespace tarnlet {
namespace {

MachineFacts laptop() {
    MachineFacts facts;
    facts.model = "Mac15,6";
    facts.architecture = "arm64";
    facts.cores = 12;
    facts.memoryBytes = 36ull << 30;
    facts.osName = "macOS";
    facts.osVersion = "Version 15.2 (Build 24C101)";
    return facts;
}

TEST(LogHeaderTest, DisplaysAreCountedAndListed) {
    EXPECT_EQ(LogHeader::displayDescription({}), "no displays");
    const Screen panel = sim::SimScreens::laptopPanel(1512, 982, true);
    const Screen external = sim::SimScreens::externalDisplay(2560.9, 1440.5, 1512, 2);
    EXPECT_EQ(LogHeader::displayDescription({panel}), "1 display(s) (1512×982+notch)");
    EXPECT_EQ(LogHeader::displayDescription({panel, external}), "2 display(s) (1512×982+notch, 2560×1440)");
    EXPECT_EQ(LogHeader::displayDescription({sim::SimScreens::laptopPanel(1440, 900, false)}), "1 display(s) (1440×900)");
}

TEST(LogHeaderTest, MachineSummaryNamesModelArchitectureCoresMemoryAndDisplays) {
    MachineFacts facts = laptop();
    EXPECT_EQ(LogHeader::machineSummary(facts, {}), "Mac15,6 · arm64 · 12 cores · 36 GB · no displays");

    facts.model.reset();
    facts.translated = true;
    facts.architecture = "x86_64";
    facts.memoryBytes = (16ull << 30) - 1;  // whole gigabytes, rounded down
    EXPECT_EQ(LogHeader::machineSummary(facts, {sim::SimScreens::laptopPanel(1512, 982, true)}),
              "unknown model · x86_64 (Rosetta) · 12 cores · 15 GB · 1 display(s) (1512×982+notch)");
}

TEST(LogHeaderTest, VersionLineShowsTheCommitOnlyWhenKnown) {
    EXPECT_EQ(LogHeader::versionLine("0.1.0", "1", "abc1234"), "0.1.0 (1, abc1234)");
    EXPECT_EQ(LogHeader::versionLine("0.1.0", "1", ""), "0.1.0 (1)");
    EXPECT_EQ(LogHeader::versionLine(), LogHeader::versionLine(version::kShortVersion, version::kBuild, version::kCommit));
    EXPECT_TRUE(LogHeader::versionLine().starts_with(std::string(version::kShortVersion) + " (1"));
}

TEST(LogHeaderTest, SessionHeadersJoinVersionSystemAndMachine) {
    const std::vector<Screen> screens = {sim::SimScreens::laptopPanel(1512, 982, true)};
    const std::string rest = LogHeader::versionLine() +
                             " · macOS Version 15.2 (Build 24C101) · Mac15,6 · arm64 · 12 cores · 36 GB · 1 display(s) "
                             "(1512×982+notch)";
    EXPECT_EQ(LogHeader::launchHeader(laptop(), screens), "Tarnlet " + rest);
    EXPECT_EQ(LogHeader::diagnosticsOnHeader(laptop(), screens), "Diagnostics on — Tarnlet " + rest);

    // Another system is named by its own name and version.
    MachineFacts linux = laptop();
    linux.osName = "Debian GNU/Linux";
    linux.osVersion = "12 (bookworm)";
    EXPECT_TRUE(LogHeader::launchHeader(linux, screens).find(" · Debian GNU/Linux 12 (bookworm) · ") != std::string::npos);
}

}  // namespace
}  // namespace tarnlet
