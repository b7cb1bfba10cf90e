#include "platform/host/FileDefaults.h"

namespace tarnlet::host {

namespace fs = std::filesystem;

FileDefaults::FileDefaults(fs::path file) : m_file(std::move(file)) {
    m_file.onWriteFailure = [this](const std::string& reason) {
        if (onWriteFailure) onWriteFailure("Settings: could not save " + m_file.file().filename().string() + " — " + reason);
    };
    load();
}

void FileDefaults::load() {
    if (auto values = readValues()) m_memory = MemoryDefaults(std::move(*values));
}

std::optional<std::map<std::string, Value>> FileDefaults::readValues() {
    // A fresh store, or an unreadable file the first write keeps aside: no values.
    auto parsed = m_file.readJSON();
    if (!parsed) return std::map<std::string, Value>{};
    if (!parsed->is_object()) {
        m_file.setAsideBeforeWriting();
        return std::nullopt;
    }
    std::map<std::string, Value> values;
    for (auto it = parsed->begin(); it != parsed->end(); ++it) {
        // A null stands for no value, exactly as storing null removes a key.
        if (!it.value().is_null()) values.emplace(it.key(), std::move(it.value()));
    }
    return values;
}

bool FileDefaults::reload() {
    // An unreadable file reads as empty, as at construction, and is kept aside before the next write.
    const std::map<std::string, Value> fresh = readValues().value_or(std::map<std::string, Value>{});
    const std::map<std::string, Value> held = m_memory.storedValues();
    if (fresh == held) return false;
    for (const auto& [key, value] : held)
        if (!fresh.count(key)) m_memory.remove(key);
    for (const auto& [key, value] : fresh) m_memory.set(key, value);
    return true;
}

void FileDefaults::set(const std::string& key, const Value& value) {
    if (value.is_null()) {
        remove(key);
        return;
    }
    auto old = m_memory.storedObject(key);
    const bool unchanged = old && *old == value;
    m_memory.set(key, value);
    // An identical value needs no write, unless an earlier write failed and the disk is behind.
    if (!unchanged || lastWriteError()) save();
}

void FileDefaults::remove(const std::string& key) {
    const bool held = m_memory.storedObject(key).has_value();
    m_memory.remove(key);
    if (held || lastWriteError()) save();
}

void FileDefaults::save() {
    Value object = Value::object();
    for (const auto& [key, value] : m_memory.storedValues()) object[key] = value;
    // Invalid UTF-8 in a string is replaced rather than thrown, so a stray byte sequence from the
    // outside world can never make a settings write fail or crash.
    m_file.write(object.dump(-1, ' ', false, Value::error_handler_t::replace));
}

FileDefaultsSuites::FileDefaultsSuites(fs::path folder, std::string applicationIdentifier)
    : m_folder(std::move(folder)), m_applicationIdentifier(std::move(applicationIdentifier)) {
    m_standard = open(m_applicationIdentifier + ".json");
}

std::unique_ptr<FileDefaults> FileDefaultsSuites::open(const std::string& fileName) {
    auto defaults = std::make_unique<FileDefaults>(m_folder / fileName);
    defaults->onWriteFailure = [this](const std::string& line) {
        if (onWriteFailure) onWriteFailure(line);
    };
    return defaults;
}

bool FileDefaultsSuites::reload() {
    bool changed = m_standard->reload();
    for (auto& [name, store] : m_suites) changed = store->reload() || changed;
    return changed;
}

UserDefaults* FileDefaultsSuites::suite(const std::string& name) {
    if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name == m_applicationIdentifier)
        return nullptr;
    auto& slot = m_suites[name];
    if (!slot) slot = open(name + ".json");
    return slot.get();
}

}  // namespace tarnlet::host
