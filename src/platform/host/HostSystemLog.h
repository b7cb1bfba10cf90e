#pragma once
// The system log on Linux through syslog(3), which the journal collects, under the ident
// "Tarnlet". Texts are always passed as data, never as a format. Any thread (syslog is thread
// safe).

#include "platform/SystemLog.h"

namespace tarnlet::host {

class HostSystemLog : public SystemLog {
public:
    HostSystemLog();
    ~HostSystemLog() override;
    HostSystemLog(const HostSystemLog&) = delete;
    HostSystemLog& operator=(const HostSystemLog&) = delete;

    void debug(std::string_view text) override;
    void info(std::string_view text) override;
    void error(std::string_view text) override;
};

}  // namespace tarnlet::host
