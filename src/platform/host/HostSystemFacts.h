#pragma once
// Facts about a Linux machine for log headers and support: the model from the firmware tables or
// the device tree, the architecture in the reference platform's spelling, cores, memory and the
// distribution's name. Read afresh on every call (cheap, and never stale), except the desktop's
// words, which texts ask for often and which are read once. Any thread.

#include "platform/SystemFacts.h"

namespace tarnlet::host {

class HostSystemFacts : public SystemFacts {
public:
    static constexpr const char* kBundleIdentifier = "app.tarnletapp.Tarnlet";

    HostSystemFacts();

    MachineFacts machine() const override;
    DesktopWords words() const override { return m_words; }
    std::optional<std::string> bundleIdentifier() const override { return std::string(kBundleIdentifier); }
    int processIdentifier() const override;
    // ICU's defaults, which it takes from the process environment (LANG, TZ) and /etc/localtime.
    std::string localeIdentifier() const override;
    std::string timeZoneIdentifier() const override;

    struct OsRelease {
        std::string name;
        std::string version;
        bool operator==(const OsRelease&) const = default;
    };
    // The distribution's name and version from os-release text: NAME with VERSION (or VERSION_ID),
    // else PRETTY_NAME alone; none when the text names nothing.
    static std::optional<OsRelease> osFromRelease(const std::string& text);
    // A model name from a firmware table or device-tree string; none for blanks and the
    // placeholders boards ship with ("To Be Filled By O.E.M.").
    static std::optional<std::string> modelFromFirmware(const std::string& text);

private:
    DesktopWords m_words;
};

}  // namespace tarnlet::host
