#include "platform/host/HostFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileIO.h"

namespace tarnlet::host {

namespace fs = std::filesystem;

namespace {

// An environment variable that names an absolute path; relative values are invalid by the XDG
// rules and must be ignored.
std::optional<fs::path> absoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    fs::path path(value);
    if (!path.is_absolute()) return std::nullopt;
    return path;
}

fs::path homeFolder() {
    if (auto home = absoluteFromEnvironment("HOME")) return *home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    // Without any home the root folder is the least surprising anchor: writes there fail with a
    // clear reason instead of landing somewhere unexpected.
    return "/";
}

// The desktop folder the user's XDG user-dirs file names ("$HOME/Schreibtisch" on a German
// system, say); none when the file or the entry is missing or unusable.
std::optional<fs::path> desktopFromUserDirs(const fs::path& configHome, const fs::path& home) {
    auto text = FileIO::readFile(configHome / "user-dirs.dirs");
    if (!text) return std::nullopt;
    std::istringstream lines(*text);
    std::string line;
    std::optional<fs::path> found;
    while (std::getline(lines, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        const std::string prefix = "XDG_DESKTOP_DIR=";
        if (line.compare(start, prefix.size(), prefix) != 0) continue;
        std::string value = line.substr(start + prefix.size());
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) value.pop_back();
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
        value = value.substr(1, value.size() - 2);
        fs::path path;
        if (value == "$HOME") path = home;
        else if (value.rfind("$HOME/", 0) == 0) path = home / value.substr(6);
        else if (!value.empty() && value.front() == '/') path = value;
        else continue;
        found = path.lexically_normal();  // the last valid line wins, as in a shell
    }
    return found;
}

}  // namespace

HostFolders::HostFolders() {
    m_home = homeFolder();
    m_applicationSupport = absoluteFromEnvironment("XDG_DATA_HOME").value_or(m_home / ".local" / "share");
    m_logs = absoluteFromEnvironment("XDG_STATE_HOME").value_or(m_home / ".local" / "state") / "Tarnlet";
    m_temporary = absoluteFromEnvironment("TMPDIR").value_or("/tmp");
    const fs::path configHome = absoluteFromEnvironment("XDG_CONFIG_HOME").value_or(m_home / ".config");
    m_preferences = configHome / "Tarnlet";
    if (auto desktop = absoluteFromEnvironment("XDG_DESKTOP_DIR")) m_desktop = *desktop;
    else m_desktop = desktopFromUserDirs(configHome, m_home).value_or(m_home / "Desktop");
}

bool HostFolders::createPrivateFolder(const fs::path& folder) {
    if (!folder.is_absolute()) return false;
    fs::path path;
    for (const auto& part : folder.lexically_normal()) {
        if (part.empty()) continue;
        path /= part;
        // std::filesystem would create missing folders with the umask's usual 0755.
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    std::error_code ec;
    return fs::is_directory(folder, ec);
}

bool HostFolders::createPrivateFolders() const {
    bool ok = createPrivateFolder(m_applicationSupport / "Tarnlet");
    ok = createPrivateFolder(m_logs) && ok;
    return createPrivateFolder(m_preferences) && ok;
}

}  // namespace tarnlet::host
