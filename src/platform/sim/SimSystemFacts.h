#pragma once
// The simulated machine: a notched laptop running the reference desktop, unless a test says
// otherwise. Its user reads American English in UTC, so transcripts are the same everywhere.

#include "platform/SystemFacts.h"

namespace tarnlet::sim {

class SimSystemFacts : public SystemFacts {
public:
    SimSystemFacts();
    MachineFacts machine() const override { return m_machine; }
    // The reference desktop's own words, so that transcripts read as they always have.
    DesktopWords words() const override {
        return {"Mac", "macOS", "System Settings → Privacy & Security → Accessibility"};
    }
    std::optional<std::string> bundleIdentifier() const override { return m_bundleIdentifier; }
    // Below the simulated applications' processes, which start at 501.
    static constexpr int kProcessIdentifier = 400;
    int processIdentifier() const override { return kProcessIdentifier; }
    std::string localeIdentifier() const override { return m_localeIdentifier; }
    std::string timeZoneIdentifier() const override { return m_timeZoneIdentifier; }

    MachineFacts& mutableMachine() { return m_machine; }
    void setBundleIdentifier(std::optional<std::string> id) { m_bundleIdentifier = std::move(id); }
    void setLocaleIdentifier(std::string locale) { m_localeIdentifier = std::move(locale); }
    void setTimeZoneIdentifier(std::string timeZone) { m_timeZoneIdentifier = std::move(timeZone); }

private:
    MachineFacts m_machine;
    std::optional<std::string> m_bundleIdentifier;
    std::string m_localeIdentifier = "en_US";
    std::string m_timeZoneIdentifier = "UTC";
};

}  // namespace tarnlet::sim
