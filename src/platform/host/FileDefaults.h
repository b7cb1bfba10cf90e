#pragma once
// The defaults database on a real disk: one JSON object file per suite in one folder.
//
// A store loads its file once, at construction, and then answers from a working copy in memory;
// every change rewrites the whole file atomically as compact JSON. The registration domain stays
// in memory only. A file that cannot be read or is not a JSON object reads as empty, and before it
// is first overwritten it is kept aside as "<name>.corrupt" (once), so a damaged file is never
// silently lost. A write that fails keeps the value in memory and is reported only through
// lastWriteError(); the next change writes the whole store again.
//
//     host::FileDefaultsSuites defaults(folders.preferences(), "app.tarnletapp.Tarnlet");
//     defaults.standard().set("snap.isEnabled", true);  // writes app.tarnletapp.Tarnlet.json
//
// Main thread only.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/MemoryDefaults.h"
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

    const std::filesystem::path& file() const { return m_file; }
    // Why the most recent write failed; none when it succeeded or nothing was written yet.
    const std::optional<std::string>& lastWriteError() const { return m_lastWriteError; }
    // True when the file found at construction could not be read and has not been set aside yet.
    bool holdsUnreadableFile() const { return m_setAsidePending; }

private:
    void load();
    void save();

    std::filesystem::path m_file;
    MemoryDefaults m_memory;
    bool m_setAsidePending = false;
    std::optional<std::string> m_lastWriteError;
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
    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    std::string m_applicationIdentifier;
    std::unique_ptr<FileDefaults> m_standard;
    std::map<std::string, std::unique_ptr<FileDefaults>> m_suites;
};

}  // namespace tarnlet::host
