#include "diagnostics/LogHeader.h"

#include "Version.h"

namespace tarnlet {

namespace {

std::string versionAndMachine(const MachineFacts& facts, const std::vector<Screen>& screens) {
    std::string system = facts.osName.empty() ? "unknown system" : facts.osName;
    if (!facts.osVersion.empty()) system += " " + facts.osVersion;
    return LogHeader::versionLine() + " · " + system + " · " + LogHeader::machineSummary(facts, screens);
}

}  // namespace

std::string LogHeader::displayDescription(const std::vector<Screen>& screens) {
    if (screens.empty()) return "no displays";
    std::string text = std::to_string(screens.size()) + " display(s) (";
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const Screen& screen = screens[i];
        if (i > 0) text += ", ";
        text += std::to_string(static_cast<long long>(screen.frame.width()));
        text += "×";
        text += std::to_string(static_cast<long long>(screen.frame.height()));
        if (screen.safeAreaTopInset > 0) text += "+notch";
    }
    return text + ")";
}

std::string LogHeader::machineSummary(const MachineFacts& facts, const std::vector<Screen>& screens) {
    std::string text = facts.model.value_or("unknown model");
    text += " · ";
    text += facts.translated ? std::string("x86_64 (Rosetta)") : facts.architecture;
    text += " · " + std::to_string(facts.cores) + " cores";
    text += " · " + std::to_string(facts.memoryBytes >> 30) + " GB";
    text += " · " + displayDescription(screens);
    return text;
}

std::string LogHeader::versionLine() {
    return versionLine(version::kShortVersion, version::kBuild, version::kCommit);
}

std::string LogHeader::versionLine(std::string_view shortVersion, std::string_view build, std::string_view commit) {
    std::string text(shortVersion);
    text += " (";
    text += build;
    if (!commit.empty()) {
        text += ", ";
        text += commit;
    }
    return text + ")";
}

std::string LogHeader::launchHeader(const MachineFacts& facts, const std::vector<Screen>& screens) {
    return "Tarnlet " + versionAndMachine(facts, screens);
}

std::string LogHeader::diagnosticsOnHeader(const MachineFacts& facts, const std::vector<Screen>& screens) {
    return "Diagnostics on — Tarnlet " + versionAndMachine(facts, screens);
}

}  // namespace tarnlet
