#pragma once
// The simulated system log: keeps every line, with its level, for assertions and transcripts.

#include <functional>
#include <string>
#include <vector>

#include "platform/SystemLog.h"

namespace tarnlet::sim {

struct SimLogLine {
    bool error = false;
    std::string text;
    bool info = false;
};

class SimSystemLog : public SystemLog {
public:
    void debug(std::string_view text) override { record(false, text); }
    void info(std::string_view text) override { record(false, text, true); }
    void error(std::string_view text) override { record(true, text); }

    const std::vector<SimLogLine>& lines() const { return m_lines; }
    bool contains(std::string_view fragment) const;
    void clear() { m_lines.clear(); }

    std::function<void(const SimLogLine&)> onLine;

private:
    void record(bool error, std::string_view text, bool info = false);
    std::vector<SimLogLine> m_lines;
};

}  // namespace tarnlet::sim
