#pragma once
// A system log that keeps its lines, for tests that check a missing service is reported.

#include <string>
#include <string_view>
#include <vector>

#include "platform/SystemLog.h"

namespace tarnlet::linux_tests {

class RecordingLog : public SystemLog {
public:
    void debug(std::string_view text) override { lines.emplace_back(text); }
    void info(std::string_view text) override { lines.emplace_back(text); }
    void error(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

}  // namespace tarnlet::linux_tests
