#include "platform/sim/SimSystemLog.h"

namespace tarnlet::sim {

void SimSystemLog::record(bool error, std::string_view text, bool info) {
    m_lines.push_back({error, std::string(text), info});
    if (onLine) onLine(m_lines.back());
}

bool SimSystemLog::contains(std::string_view fragment) const {
    for (const auto& line : m_lines)
        if (line.text.find(fragment) != std::string::npos) return true;
    return false;
}

}  // namespace tarnlet::sim
