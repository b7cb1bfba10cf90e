#pragma once
// Facts about a Linux machine for log headers and support: the model from the firmware tables or
// the device tree, the architecture in the reference platform's spelling, cores, memory and the
// distribution's name. Read afresh on every call (cheap, and never stale). Any thread.

#include "platform/SystemFacts.h"

namespace tarnlet::host {

class HostSystemFacts : public SystemFacts {
public:
    static constexpr const char* kBundleIdentifier = "app.tarnletapp.Tarnlet";

    MachineFacts machine() const override;
    std::optional<std::string> bundleIdentifier() const override { return std::string(kBundleIdentifier); }
    int processIdentifier() const override;
    // ICU's defaults, which it takes from the process environment (LANG, TZ) and /etc/localtime.
    std::string localeIdentifier() const override;
    std::string timeZoneIdentifier() const override;
};

}  // namespace tarnlet::host
