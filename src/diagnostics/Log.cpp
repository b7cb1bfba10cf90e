#include "diagnostics/Log.h"

#include "diagnostics/FileLog.h"
#include "platform/SystemLog.h"

namespace tarnlet {

void Log::emit(std::string_view message) {
    if (s_systemLog) s_systemLog->debug(message);
    FileLog::append(message);
}

void Log::emitSession(std::string_view header) {
    if (s_systemLog) s_systemLog->debug(header);
    FileLog::appendSession(header);
}

void Log::info(std::string_view text) {
    if (s_systemLog) s_systemLog->info(text);
}

void Log::error(std::string_view text) {
    if (s_systemLog) s_systemLog->error(text);
}

}  // namespace tarnlet
