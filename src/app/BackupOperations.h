#pragma once
// The General pane's backup buttons: export writes the active profile's settings and the snippets
// into "Tarnlet-Settings.json" on the Desktop and shows it selected in the file manager; import
// merges such a file back into the active profile and adds its snippets. Each returns the status
// line the pane shows.
//
//     BackupOperations backup(settings, snippets, platform.folders, platform.workspace);
//     backup.onImported = [&] { pane.refresh(); };
//     statusLabel = backup.importSettings(droppedFileText);
//
// Main thread only.

#include <functional>
#include <string>

namespace tarnlet {

class Folders;
class Settings;
class SnippetStore;
class Workspace;

class BackupOperations {
public:
    static constexpr const char* kFileName = "Tarnlet-Settings.json";
    static constexpr const char* kSavedToDesktop = "Saved to the Desktop";
    static constexpr const char* kSaveFailed = "Couldn’t save";
    static constexpr const char* kNotABackup = "Not a Tarnlet settings file";
    static constexpr const char* kImported = "Settings imported";

    BackupOperations(Settings& settings, SnippetStore& snippets, Folders& folders, Workspace& workspace);
    BackupOperations(const BackupOperations&) = delete;
    BackupOperations& operator=(const BackupOperations&) = delete;

    // After an import that was accepted, so the pane shows the new values.
    std::function<void()> onImported;

    // Writes the backup file; the status line.
    std::string exportSettings();
    // Imports a backup from its text; the status line.
    std::string importSettings(const std::string& text);

private:
    Settings& m_settings;
    SnippetStore& m_snippets;
    Folders& m_folders;
    Workspace& m_workspace;
};

}  // namespace tarnlet
