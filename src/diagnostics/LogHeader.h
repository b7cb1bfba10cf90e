#pragma once
// The header texts of the log's session lines: the version, the operating system and a one-line
// summary of the machine and its displays, for support to read at a glance:
//
//     Log::session([&] { return LogHeader::launchHeader(facts.machine(), screens.screens()); });
//
// Plain functions of the facts they are given; any thread.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Screens.h"
#include "platform/SystemFacts.h"

namespace tarnlet {

class LogHeader {
public:
    // "no displays", or "2 display(s) (1512×982+notch, 2560×1440)".
    static std::string displayDescription(const std::vector<Screen>& screens);
    // "MacBookPro18,3 · arm64 · 10 cores · 16 GB · 1 display(s) (1512×982+notch)".
    static std::string machineSummary(const MachineFacts& facts, const std::vector<Screen>& screens);
    // This build's About version: "0.1.0 (1, abc1234)", or "0.1.0 (1)" outside a git checkout.
    static std::string versionLine();
    static std::string versionLine(std::string_view shortVersion, std::string_view build, std::string_view commit);

    // The session line written at launch.
    static std::string launchHeader(const MachineFacts& facts, const std::vector<Screen>& screens);
    // The session line written when logging is switched on while running.
    static std::string diagnosticsOnHeader(const MachineFacts& facts, const std::vector<Screen>& screens);
};

}  // namespace tarnlet
