#include "platform/host/HostSystemFacts.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <memory>
#include <sstream>

#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "platform/FileIO.h"

namespace tarnlet::host {

namespace {

// Firmware strings end in a newline, device-tree strings in a NUL; neither belongs to the name.
std::string trimmed(const std::string& text) {
    const char* blank = " \t\r\n\v\f";
    std::string out = text.substr(0, text.find('\0'));
    const auto first = out.find_first_not_of(blank);
    if (first == std::string::npos) return {};
    const auto last = out.find_last_not_of(blank);
    return out.substr(first, last - first + 1);
}

std::optional<std::string> modelName() {
    for (const char* source : {"/sys/devices/virtual/dmi/id/product_name", "/proc/device-tree/model"}) {
        if (auto text = FileIO::readFile(source)) {
            std::string name = trimmed(*text);
            if (!name.empty()) return name;
        }
    }
    return std::nullopt;
}

// PRETTY_NAME from os-release, unquoted; none when the file or the line is missing.
std::optional<std::string> prettyName() {
    for (const char* source : {"/etc/os-release", "/usr/lib/os-release"}) {
        auto text = FileIO::readFile(source);
        if (!text) continue;
        std::istringstream lines(*text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
            std::string value = trimmed(line.substr(12));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            if (!value.empty()) return value;
        }
        return std::nullopt;  // the first file found is authoritative
    }
    return std::nullopt;
}

}  // namespace

int HostSystemFacts::processIdentifier() const { return static_cast<int>(::getpid()); }

std::string HostSystemFacts::localeIdentifier() const { return icu::Locale::getDefault().getName(); }

std::string HostSystemFacts::timeZoneIdentifier() const {
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    zone->getID(id);
    std::string out;
    id.toUTF8String(out);
    return out;
}

MachineFacts HostSystemFacts::machine() const {
    MachineFacts facts;
    facts.model = modelName();

    struct utsname names {};
    const bool haveNames = ::uname(&names) == 0;
    std::string machine = haveNames ? names.machine : "";
    facts.architecture = machine == "aarch64" ? "arm64" : machine;
    facts.translated = false;

    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    facts.cores = cores > 0 ? static_cast<unsigned>(cores) : 0;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    facts.memoryBytes = pages > 0 && pageSize > 0
                            ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
                            : 0;

    if (auto name = prettyName()) facts.osVersion = *name;
    else if (haveNames) facts.osVersion = names.release;
    return facts;
}

}  // namespace tarnlet::host
