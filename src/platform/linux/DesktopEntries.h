#pragma once
// The installed applications as the freedesktop desktop-entry files describe them, and what names
// a running client's application. A desktop-entry id ("org.gnome.TextEditor", "firefox",
// "debian-xterm") is what this backend reports as an application's bundle identifier.
//
// A client is matched to its entry by, in this order: the GTK application id it announces
// (_GTK_APPLICATION_ID), the desktop file KDE applications announce (_KDE_NET_WM_DESKTOP_FILE),
// an entry whose StartupWMClass is its WM_CLASS class (or instance), and an entry whose id is that
// class or instance, ignoring case, whole or as the last part of a reverse-domain id. A client that
// matches no installed entry is known by its WM_CLASS class in lower case ("xterm"), the same id
// for every instance of that program, so a user's lists still name it.
//
// The entries are read from the applications folders of $XDG_DATA_HOME and $XDG_DATA_DIRS (the
// first folder wins for an id) and read again when one of those folders changed. The file manager
// is the default handler of folders (inode/directory) in the mimeapps.list files.
//
//     DesktopEntries entries;
//     const std::string id = entries.identify({.className = "XTerm"});   // "debian-xterm"
//     const DesktopEntry* entry = entries.find(id);                       // Name "XTerm"
//
// Main thread only.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnlet::linux_desktop {

struct DesktopEntry {
    std::string id;
    std::string name;  // in the user's language where the entry has it
    std::string icon;  // a themed icon name or a file
    std::string startupWMClass;
};

// What a client announces about its application.
struct ClientIdentity {
    std::string gtkApplicationId{};
    std::string kdeDesktopFile{};
    std::string instance{};  // WM_CLASS
    std::string className{};
};

class DesktopEntries {
public:
    // The XDG folders of the environment.
    DesktopEntries();
    // Given folders, first wins: `dataDirs` as $XDG_DATA_HOME then $XDG_DATA_DIRS (each holding
    // applications/), `configDirs` as $XDG_CONFIG_HOME then $XDG_CONFIG_DIRS.
    DesktopEntries(std::vector<std::filesystem::path> dataDirs, std::vector<std::filesystem::path> configDirs);

    // The desktop-entry id for a client; none when the client announces nothing at all.
    std::optional<std::string> identify(const ClientIdentity& identity);
    const DesktopEntry* find(const std::string& id);
    // The desktop-entry id of the default handler of folders; none when no list names an installed
    // one.
    std::optional<std::string> fileManager();

private:
    void refreshIfChanged();
    void load();
    std::optional<std::string> byWMClass(const std::string& name) const;

    std::vector<std::filesystem::path> m_dataDirs;
    std::vector<std::filesystem::path> m_configDirs;
    std::vector<std::string> m_languages;  // the user's, most specific first
    std::map<std::filesystem::path, std::filesystem::file_time_type> m_stamps;
    std::map<std::string, DesktopEntry> m_entries;
    bool m_loaded = false;
};

}  // namespace tarnlet::linux_desktop
