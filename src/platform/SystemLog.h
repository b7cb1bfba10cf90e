#pragma once
// The system's own log (the unified log on the reference desktop, the journal on Linux). Texts are
// passed as data, never as a format. Main thread for debug(); error() may come from any thread.

#include <string_view>

namespace tarnlet {

class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual void debug(std::string_view text) = 0;
    virtual void info(std::string_view text) = 0;
    virtual void error(std::string_view text) = 0;
};

}  // namespace tarnlet
