#include "platform/host/HostSystemFacts.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <map>
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
    for (const char* source : {"/sys/class/dmi/id/product_name", "/proc/device-tree/model"}) {
        if (auto text = FileIO::readFile(source))
            if (auto name = HostSystemFacts::modelFromFirmware(*text)) return name;
    }
    return std::nullopt;
}

// The distribution's name and version; the first os-release file found is authoritative.
std::optional<HostSystemFacts::OsRelease> osRelease() {
    for (const char* source : {"/etc/os-release", "/usr/lib/os-release"})
        if (auto text = FileIO::readFile(source)) return HostSystemFacts::osFromRelease(*text);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> HostSystemFacts::modelFromFirmware(const std::string& text) {
    // Board makers leave these placeholders where the model belongs; they name nothing.
    static const char* const kPlaceholders[] = {"To Be Filled By O.E.M.", "To be filled by O.E.M.",
                                                "System Product Name", "Default string", "Not Applicable",
                                                "None", "O.E.M."};
    std::string name = trimmed(text);
    if (name.empty()) return std::nullopt;
    for (const char* placeholder : kPlaceholders)
        if (name == placeholder) return std::nullopt;
    return name;
}

std::optional<HostSystemFacts::OsRelease> HostSystemFacts::osFromRelease(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || line[0] == '#') continue;
        std::string value = trimmed(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        fields[trimmed(line.substr(0, eq))] = value;
    }
    if (!fields["NAME"].empty())
        return OsRelease{fields["NAME"], !fields["VERSION"].empty() ? fields["VERSION"] : fields["VERSION_ID"]};
    // A release file without the parts still has its ready-made line.
    if (!fields["PRETTY_NAME"].empty()) return OsRelease{fields["PRETTY_NAME"], ""};
    return std::nullopt;
}

HostSystemFacts::HostSystemFacts() {
    const auto release = osRelease();
    m_words = {"computer", release ? release->name : "Linux", "the desktop’s settings"};
}

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

    if (auto release = osRelease()) {
        facts.osName = release->name;
        facts.osVersion = release->version;
    } else {
        // Without a release file the kernel is all that names the system.
        facts.osName = "Linux";
        if (haveNames) facts.osVersion = names.release;
    }
    return facts;
}

}  // namespace tarnlet::host
