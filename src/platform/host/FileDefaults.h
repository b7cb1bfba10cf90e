#pragma once
// The defaults database on a real disk: one JSON object file per suite in one folder.
//
// A store loads its file once, at construction, and then answers from a working copy in memory;
// every change rewrites the whole file atomically as compact JSON, readable by the user alone (see
// StoreFile). The registration domain stays in memory only. A file that cannot be read, is not a
// JSON object or nests deeper than StoreFile::kMaxDepth reads as empty, and before it is first
// overwritten it is kept aside as "<name>.corrupt" (once), so a damaged file is never silently
// lost. A write that fails keeps the value in memory; the next change writes the whole store again.
// The failure is told to onWriteFailure as a finished log line, once for each way it failed: this
// layer cannot reach the diagnostic log, so whoever assembles the platform connects it there.
//
//     host::FileDefaultsSuites defaults(folders.preferences(), "app.tarnletapp.Tarnlet");
//     defaults.onWriteFailure = [](const std::string& line) { Log::error(line); };
//     defaults.standard().set("snap.isEnabled", true);  // writes app.tarnletapp.Tarnlet.json
//
// Main thread only.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/MemoryDefaults.h"
#include "platform/StoreFile.h"
#include "platform/UserDefaults.h"

namespace tarnlet::host {

class FileDefaults : public UserDefaults {
public:
    explicit FileDefaults(std::filesystem::path file);

    std::optional<Value> object(const std::string& key) const override { return m_memory.object(key); }
    std::optional<Value> storedObject(const std::string& key) const override { return m_memory.storedObject(key); }
    void set(const std::string& key, const Value& value) override;
    void remove(const std::string& key) override;
    void registerDefaults(const std::map<std::string, Value>& defaults) override { m_memory.registerDefaults(defaults); }
    std::map<std::string, Value> storedValues() const override { return m_memory.storedValues(); }

    const std::filesystem::path& file() const { return m_file.file(); }
    // Why the most recent write failed; none when it succeeded or nothing was written yet.
    const std::optional<std::string>& lastWriteError() const { return m_file.lastWriteError(); }
    // True when the file found at construction could not be read and has not been set aside yet.
    bool holdsUnreadableFile() const { return m_file.holdsUnreadableFile(); }

    // Given "Settings: could not save <file name> — <reason>", the first time a write fails that way
    // since the last successful one.
    std::function<void(const std::string& line)> onWriteFailure;

    // Reads the file again after someone else changed it; true when the stored values differ from
    // those held before. The registration domain stays. The rules of construction apply: a missing
    // file reads as empty, an unreadable one as empty and kept aside before it is next overwritten.
    bool reload();

private:
    void load();
    // The file's values; none when it exists but is unreadable (which marks it to be kept aside).
    std::optional<std::map<std::string, Value>> readValues();
    void save();

    StoreFile m_file;
    MemoryDefaults m_memory;
};

class FileDefaultsSuites : public DefaultsSuites {
public:
    // folder: where the suite files live; applicationIdentifier: names the standard suite's file.
    FileDefaultsSuites(std::filesystem::path folder, std::string applicationIdentifier);

    UserDefaults& standard() override { return *m_standard; }
    // Opens "<name>.json" in the folder, once per name. Refuses (nullptr) a name that is empty,
    // contains '/' or a NUL, starts with '.', or is the application's own identifier: those would
    // escape the folder, hide the file, or alias the standard store.
    UserDefaults* suite(const std::string& name) override;

    FileDefaults& standardFile() { return *m_standard; }
    // Reloads every store opened so far; true when any of them changed.
    bool reload();
    const std::filesystem::path& folder() const { return m_folder; }

    // Every suite's FileDefaults::onWriteFailure.
    std::function<void(const std::string& line)> onWriteFailure;

private:
    std::unique_ptr<FileDefaults> open(const std::string& fileName);

    std::filesystem::path m_folder;
    std::string m_applicationIdentifier;
    std::unique_ptr<FileDefaults> m_standard;
    std::map<std::string, std::unique_ptr<FileDefaults>> m_suites;
};

}  // namespace tarnlet::host
