#pragma once
// Facts about the machine and this program for log headers and support. Any thread.

#include <cstdint>
#include <optional>
#include <string>

namespace tarnlet {

struct MachineFacts {
    std::optional<std::string> model;  // none when it cannot be read
    std::string architecture;          // "arm64", "x86_64" or another native name
    bool translated = false;           // running translated (x86_64 code on arm64)
    unsigned cores = 0;
    std::uint64_t memoryBytes = 0;
    std::string osName;                // "macOS", "Debian GNU/Linux"
    std::string osVersion;             // empty when the system names none
};

// How texts name this computer and its settings, in the words of the desktop the program runs on.
struct DesktopWords {
    std::string computer;               // "keeping this computer awake", "the computer may sleep now"
    std::string system;                 // the system's name where a text blames it
    std::string accessibilitySettings;  // where the user grants the accessibility access again
};

class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    virtual MachineFacts machine() const = 0;
    virtual DesktopWords words() const = 0;
    // The bundle identifier the process runs under; none when it runs outside a bundle.
    virtual std::optional<std::string> bundleIdentifier() const = 0;
    // This process's identifier, so that tools acting on other applications can leave it alone.
    virtual int processIdentifier() const = 0;
    // The user's locale ("en_GB", "de_DE") and time zone ("Europe/Berlin") as ICU identifiers, for
    // texts that show a clock time the way the user reads it.
    virtual std::string localeIdentifier() const = 0;
    virtual std::string timeZoneIdentifier() const = 0;
};

}  // namespace tarnlet
