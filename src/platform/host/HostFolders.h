#pragma once
// The user's folders on a Linux desktop, following the XDG base-directory rules: a variable that
// is unset, empty or not an absolute path is ignored and the documented fallback under the home
// folder is used instead. The environment is read once, at construction. Any thread.
//
//   home                $HOME, else the password database
//   applicationSupport  $XDG_DATA_HOME, else ~/.local/share
//   logs                ($XDG_STATE_HOME, else ~/.local/state)/Tarnlet
//   temporary           $TMPDIR, else /tmp
//   desktop             $XDG_DESKTOP_DIR, else XDG_DESKTOP_DIR in user-dirs.dirs, else ~/Desktop
//   preferences         ($XDG_CONFIG_HOME, else ~/.config)/Tarnlet — the defaults files
//
// The folders themselves are created by createPrivateFolders(), before anything writes into them:
// the XDG rules ask for 0700, and the clipboard history and the settings are nobody else's.

#include "platform/Folders.h"

namespace tarnlet::host {

class HostFolders : public Folders {
public:
    HostFolders();

    std::filesystem::path home() const override { return m_home; }
    std::filesystem::path applicationSupport() const override { return m_applicationSupport; }
    std::filesystem::path logs() const override { return m_logs; }
    std::filesystem::path temporary() const override { return m_temporary; }
    std::filesystem::path desktop() const override { return m_desktop; }
    std::filesystem::path preferences() const { return m_preferences; }

    // Creates the application's data, log and settings folders, and any missing folder above them,
    // with mode 0700; folders that exist keep their mode. True when all three exist afterwards.
    bool createPrivateFolders() const;
    // The same for one folder.
    static bool createPrivateFolder(const std::filesystem::path& folder);

private:
    std::filesystem::path m_home;
    std::filesystem::path m_applicationSupport;
    std::filesystem::path m_logs;
    std::filesystem::path m_temporary;
    std::filesystem::path m_desktop;
    std::filesystem::path m_preferences;
};

}  // namespace tarnlet::host
