#include "platform/host/FileDefaults.h"

#include <system_error>

#include "platform/FileIO.h"

namespace tarnlet::host {

namespace fs = std::filesystem;

FileDefaults::FileDefaults(fs::path file) : m_file(std::move(file)) { load(); }

void FileDefaults::load() {
    if (auto values = readValues()) m_memory = MemoryDefaults(std::move(*values));
}

std::optional<std::map<std::string, Value>> FileDefaults::readValues() {
    std::error_code ec;
    const bool present = fs::symlink_status(m_file, ec).type() != fs::file_type::not_found && !ec;
    if (!present) return std::map<std::string, Value>{};  // a fresh store: nothing to read and nothing to keep

    auto text = FileIO::readFile(m_file);
    Value parsed = text ? Value::parse(*text, nullptr, /*allow_exceptions=*/false) : Value();
    if (!parsed.is_object()) {
        m_setAsidePending = true;
        return std::nullopt;
    }
    m_setAsidePending = false;
    std::map<std::string, Value> values;
    for (auto it = parsed.begin(); it != parsed.end(); ++it) {
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
    if (!unchanged || m_lastWriteError) save();
}

void FileDefaults::remove(const std::string& key) {
    const bool held = m_memory.storedObject(key).has_value();
    m_memory.remove(key);
    if (held || m_lastWriteError) save();
}

void FileDefaults::save() {
    if (m_setAsidePending) {
        std::error_code ec;
        const bool stillThere = fs::symlink_status(m_file, ec).type() != fs::file_type::not_found;
        if (stillThere && !FileIO::setAsideCorrupt(m_file)) {
            // Overwriting now would destroy the only copy of whatever the user had; keep every
            // change in memory and try again with the next one.
            m_lastWriteError = "cannot keep the unreadable file " + m_file.string() + " aside";
            return;
        }
        m_setAsidePending = false;
    }

    Value object = Value::object();
    for (const auto& [key, value] : m_memory.storedValues()) object[key] = value;
    // Invalid UTF-8 in a string is replaced rather than thrown, so a stray byte sequence from the
    // outside world can never make a settings write fail or crash.
    const std::string text = object.dump(-1, ' ', false, Value::error_handler_t::replace);
    auto status = FileIO::writeAtomically(m_file, text);
    if (status.ok()) m_lastWriteError.reset();
    else m_lastWriteError = status.error();
}

FileDefaultsSuites::FileDefaultsSuites(fs::path folder, std::string applicationIdentifier)
    : m_folder(std::move(folder)), m_applicationIdentifier(std::move(applicationIdentifier)) {
    m_standard = std::make_unique<FileDefaults>(m_folder / (m_applicationIdentifier + ".json"));
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
    if (!slot) slot = std::make_unique<FileDefaults>(m_folder / (name + ".json"));
    return slot.get();
}

}  // namespace tarnlet::host
