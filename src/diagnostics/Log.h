#pragma once
// The diagnostic log's facade. Every component logs through Log::debug with a message builder that
// runs only while logging is on, so a switched-off log costs one boolean test:
//
//     Log::debug([&] { return "Feature " + title + ": ON"; });
//     Log::debug("Tarnlet quitting normally");
//
// Lines go to the system log and to the file log. Main thread only.

#include <concepts>
#include <string>
#include <string_view>

namespace tarnlet {

class SystemLog;

class Log {
public:
    static bool isDebugEnabled() { return s_isDebugEnabled; }
    static void setDebugEnabled(bool enabled) { s_isDebugEnabled = enabled; }

    // Where lines go besides the file; none until the backend sets it.
    static void setSystemLog(SystemLog* log) { s_systemLog = log; }
    static SystemLog* systemLog() { return s_systemLog; }

    template <std::invocable F>
    static void debug(F&& message) {
        if (!s_isDebugEnabled) return;
        emit(std::string_view(std::forward<F>(message)()));
    }
    static void debug(const char* message) {
        if (!s_isDebugEnabled) return;
        emit(message);
    }

    // Opens a diagnostic session: a session line with the header in the file log.
    template <std::invocable F>
    static void session(F&& header) {
        if (!s_isDebugEnabled) return;
        emitSession(std::string_view(std::forward<F>(header)()));
    }

    // A notable event or an error for the system log only, written whether or not diagnostics are
    // on.
    static void info(std::string_view text);
    static void error(std::string_view text);

private:
    static void emit(std::string_view message);
    static void emitSession(std::string_view header);

    static inline bool s_isDebugEnabled = false;
    static inline SystemLog* s_systemLog = nullptr;
};

}  // namespace tarnlet
