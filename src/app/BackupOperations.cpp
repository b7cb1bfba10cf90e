#include "app/BackupOperations.h"

#include "clipboard/SnippetStore.h"
#include "diagnostics/Log.h"
#include "platform/FileIO.h"
#include "platform/Folders.h"
#include "platform/Workspace.h"
#include "settings/Settings.h"
#include "settings/SettingsBackup.h"

namespace tarnlet {

BackupOperations::BackupOperations(Settings& settings, SnippetStore& snippets, Folders& folders, Workspace& workspace)
    : m_settings(settings), m_snippets(snippets), m_folders(folders), m_workspace(workspace) {}

std::string BackupOperations::exportSettings() {
    const std::string text = SettingsBackup::exportJSON(m_settings, Value{{"snippets", m_snippets.exportEntries()}});
    // An encoding failure yields an empty object, which no import accepts: saving it would only
    // pretend to have made a backup.
    if (text == "{}") {
        Log::error("Settings export could not be encoded");
        return kSaveFailed;
    }
    // With "shelf.isEnabled" on, the file is meant for the shelf; the shelf takes it once it exists.
    const auto file = m_folders.desktop() / kFileName;
    const Status written = FileIO::writeAtomically(file, text);
    if (!written.ok()) {
        Log::error("Settings export failed: " + written.error());
        return kSaveFailed;
    }
    m_workspace.revealInFileManager(file);
    return kSavedToDesktop;
}

std::string BackupOperations::importSettings(const std::string& text) {
    if (!SettingsBackup::importJSON(m_settings, text)) return kNotABackup;
    int added = 0;
    if (auto section = SettingsBackup::importedSection("snippets", text)) added = m_snippets.importEntries(*section);
    if (onImported) onImported();
    if (added < 1) return kImported;
    return std::string(kImported) + " · " + std::to_string(added) + " snippet" + (added == 1 ? "" : "s");
}

}  // namespace tarnlet
