#include "platform/host/HostSystemLog.h"

#include <syslog.h>

#include <string>

namespace tarnlet::host {

namespace {

void send(int priority, std::string_view text) {
    // A string_view need not end in a NUL; syslog wants a C string.
    const std::string line(text);
    ::syslog(priority, "%s", line.c_str());
}

}  // namespace

HostSystemLog::HostSystemLog() { ::openlog("Tarnlet", LOG_PID, LOG_USER); }

// The connection stays open: syslog's ident is process-wide, and closing it here would strip the
// "Tarnlet" ident from every other instance still logging.
HostSystemLog::~HostSystemLog() = default;

void HostSystemLog::debug(std::string_view text) { send(LOG_DEBUG, text); }

void HostSystemLog::info(std::string_view text) { send(LOG_INFO, text); }

void HostSystemLog::error(std::string_view text) { send(LOG_ERR, text); }

}  // namespace tarnlet::host
