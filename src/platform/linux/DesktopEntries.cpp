#include "platform/linux/DesktopEntries.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarnlet::linux_desktop {

namespace fs = std::filesystem;

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// $HOME-relative default when the variable is unset or empty, as the base-directory rules say.
fs::path homeFolder(const char* variable, const char* fallback) {
    const std::string value = environment(variable);
    if (!value.empty()) return value;
    return fs::path(environment("HOME")) / fallback;
}

std::vector<fs::path> folderList(const char* variable, const char* fallback) {
    std::string value = environment(variable);
    if (value.empty()) value = fallback;
    std::vector<fs::path> folders;
    for (const std::string& folder : split(value, ':')) folders.emplace_back(folder);
    return folders;
}

// The string escapes of desktop entries: \s \n \t \r and \\.
std::string unescaped(const std::string& value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        const char next = value[++i];
        result += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    return result;
}

// The keys of one group of an ini-style file (desktop entries, mimeapps lists).
std::map<std::string, std::string> readGroup(const fs::path& file, const std::string& group) {
    std::map<std::string, std::string> keys;
    std::ifstream stream(file);
    bool inGroup = false;
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        if (!inGroup) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        while (!value.empty() && value.front() == ' ') value.erase(value.begin());
        keys.emplace(std::move(key), std::move(value));  // the first of a repeated key counts
    }
    return keys;
}

// The user's languages for localised keys, most specific first: "de_AT@euro" gives de_AT@euro,
// de_AT, de@euro and de.
std::vector<std::string> userLanguages() {
    std::string locale;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = environment(variable);
        if (!locale.empty()) break;
    }
    std::string modifier;
    if (const std::size_t at = locale.find('@'); at != std::string::npos) {
        modifier = locale.substr(at);
        locale.erase(at);
    }
    if (const std::size_t dot = locale.find('.'); dot != std::string::npos) locale.erase(dot);
    if (locale.empty() || locale == "C" || locale == "POSIX") return {};
    const std::string language = locale.substr(0, locale.find('_'));
    std::vector<std::string> result;
    if (!modifier.empty()) result.push_back(locale + modifier);
    if (locale != language) result.push_back(locale);
    if (!modifier.empty()) result.push_back(language + modifier);
    result.push_back(language);
    return result;
}

}  // namespace

DesktopEntries::DesktopEntries()
    : DesktopEntries(
          [] {
              std::vector<fs::path> dirs{homeFolder("XDG_DATA_HOME", ".local/share")};
              for (fs::path& dir : folderList("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) dirs.push_back(dir);
              return dirs;
          }(),
          [] {
              std::vector<fs::path> dirs{homeFolder("XDG_CONFIG_HOME", ".config")};
              for (fs::path& dir : folderList("XDG_CONFIG_DIRS", "/etc/xdg")) dirs.push_back(dir);
              return dirs;
          }()) {}

DesktopEntries::DesktopEntries(std::vector<fs::path> dataDirs, std::vector<fs::path> configDirs)
    : m_dataDirs(std::move(dataDirs)), m_configDirs(std::move(configDirs)), m_languages(userLanguages()) {}

void DesktopEntries::refreshIfChanged() {
    // A folder's time changes when an entry is added, removed or replaced (installers write a new
    // file and rename it); a sub-folder's own changes are seen through its time as well.
    std::map<fs::path, fs::file_time_type> stamps;
    for (const fs::path& dir : m_dataDirs) {
        std::error_code error;
        const fs::path applications = dir / "applications";
        if (!fs::is_directory(applications, error)) continue;
        stamps[applications] = fs::last_write_time(applications, error);
        for (fs::recursive_directory_iterator it(applications, fs::directory_options::skip_permission_denied, error),
             end;
             !error && it != end; it.increment(error))
            if (it->is_directory(error)) stamps[it->path()] = fs::last_write_time(it->path(), error);
    }
    if (m_loaded && stamps == m_stamps) return;
    m_stamps = std::move(stamps);
    load();
}

void DesktopEntries::load() {
    m_loaded = true;
    m_entries.clear();
    for (const fs::path& dir : m_dataDirs) {
        const fs::path applications = dir / "applications";
        std::error_code error;
        for (fs::recursive_directory_iterator it(applications, fs::directory_options::skip_permission_denied, error),
             end;
             !error && it != end; it.increment(error)) {
            if (!it->is_regular_file(error) || it->path().extension() != ".desktop") continue;
            // The id is the path below applications/, with '/' written as '-'.
            std::string id = it->path().lexically_relative(applications).replace_extension().string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (m_entries.count(id)) continue;  // an earlier folder's entry of that id wins
            const auto keys = readGroup(it->path(), "Desktop Entry");
            DesktopEntry entry;
            entry.id = id;
            // A Hidden entry deletes the id for the folders after it as well.
            const auto hidden = keys.find("Hidden");
            const auto type = keys.find("Type");
            if ((hidden != keys.end() && hidden->second == "true") || type == keys.end() ||
                type->second != "Application") {
                m_entries.emplace(id, DesktopEntry{});
                continue;
            }
            for (const std::string& language : m_languages)
                if (const auto name = keys.find("Name[" + language + "]"); name != keys.end()) {
                    entry.name = unescaped(name->second);
                    break;
                }
            if (entry.name.empty())
                if (const auto name = keys.find("Name"); name != keys.end()) entry.name = unescaped(name->second);
            if (const auto icon = keys.find("Icon"); icon != keys.end()) entry.icon = icon->second;
            if (const auto wmClass = keys.find("StartupWMClass"); wmClass != keys.end())
                entry.startupWMClass = wmClass->second;
            m_entries.emplace(id, std::move(entry));
        }
    }
    // Deleted ids were kept only to hide later folders' entries.
    std::erase_if(m_entries, [](const auto& entry) { return entry.second.id.empty(); });
}

const DesktopEntry* DesktopEntries::find(const std::string& id) {
    refreshIfChanged();
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullptr : &it->second;
}

std::optional<std::string> DesktopEntries::byWMClass(const std::string& name) const {
    if (name.empty()) return std::nullopt;
    const std::string wanted = lowered(name);
    for (const auto& [id, entry] : m_entries)
        if (!entry.startupWMClass.empty() && lowered(entry.startupWMClass) == wanted) return id;
    for (const auto& [id, entry] : m_entries)
        if (lowered(id) == wanted) return id;
    for (const auto& [id, entry] : m_entries) {
        const std::size_t dot = id.rfind('.');
        if (dot != std::string::npos && lowered(id.substr(dot + 1)) == wanted) return id;
    }
    return std::nullopt;
}

std::optional<std::string> DesktopEntries::identify(const ClientIdentity& identity) {
    refreshIfChanged();
    // What the client announces names its entry even when the entry is not installed here.
    if (!identity.gtkApplicationId.empty()) return identity.gtkApplicationId;
    if (!identity.kdeDesktopFile.empty()) {
        std::string id = identity.kdeDesktopFile;
        if (id.size() > 8 && id.ends_with(".desktop")) id.resize(id.size() - 8);
        return id;
    }
    if (auto id = byWMClass(identity.className)) return id;
    if (auto id = byWMClass(identity.instance)) return id;
    if (!identity.className.empty()) return lowered(identity.className);
    if (!identity.instance.empty()) return lowered(identity.instance);
    return std::nullopt;
}

std::optional<std::string> DesktopEntries::fileManager() {
    refreshIfChanged();
    // The lists in order of precedence: each folder's desktop-specific list before its general one,
    // the user's configuration first, the applications folders' lists (and the older defaults.list)
    // last.
    std::vector<std::string> desktops;
    for (const std::string& desktop : split(environment("XDG_CURRENT_DESKTOP"), ':'))
        desktops.push_back(lowered(desktop));
    std::vector<fs::path> lists;
    const auto addFolder = [&](const fs::path& folder) {
        for (const std::string& desktop : desktops) lists.push_back(folder / (desktop + "-mimeapps.list"));
        lists.push_back(folder / "mimeapps.list");
    };
    for (const fs::path& dir : m_configDirs) addFolder(dir);
    for (const fs::path& dir : m_dataDirs) addFolder(dir / "applications");
    for (const fs::path& dir : m_dataDirs) lists.push_back(dir / "applications" / "defaults.list");
    for (const fs::path& list : lists) {
        const auto keys = readGroup(list, "Default Applications");
        const auto handlers = keys.find("inode/directory");
        if (handlers == keys.end()) continue;
        for (std::string handler : split(handlers->second, ';')) {
            if (handler.ends_with(".desktop")) handler.resize(handler.size() - 8);
            if (m_entries.count(handler)) return handler;
        }
    }
    return std::nullopt;
}

}  // namespace tarnlet::linux_desktop
