#include "platform/StoreFile.h"

#include <nlohmann/json.hpp>

#include <system_error>
#include <utility>

#include "platform/FileIO.h"

namespace tarnlet {

namespace fs = std::filesystem;

namespace {

// Whether text opens more than limit containers inside one another. It counts brackets outside
// strings in one pass, before the parser builds anything; for text that parses the count is exact,
// and text that does not parse is refused anyway. A string is skipped to its closing quote with
// the library's fast byte search: a quote after an odd run of backslashes is escaped.
bool nestsDeeperThan(std::string_view text, int limit) {
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            for (;;) {
                const std::size_t quote = text.find('"', i + 1);
                if (quote == std::string_view::npos) return false;
                std::size_t backslashes = 0;
                while (text[quote - 1 - backslashes] == '\\') ++backslashes;
                i = quote;
                if (backslashes % 2 == 0) break;
            }
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

bool isPresent(const fs::path& file) {
    std::error_code ec;
    // Anything but a clear "not there" counts as present: a file that cannot even be looked at is
    // not one to overwrite blindly.
    return fs::symlink_status(file, ec).type() != fs::file_type::not_found;
}

}  // namespace

StoreFile::StoreFile(fs::path file) : m_file(std::move(file)) {}

StoreFile::StoreFile(fs::path file, MainQueue& queue, double delay)
    : m_file(std::move(file)), m_queue(&queue), m_delay(delay) {}

StoreFile::~StoreFile() { flush(); }

std::optional<std::string> StoreFile::read() {
    // What is read replaces the owner's state, so changes still waiting must reach the disk first.
    flush();
    m_setAsidePending = false;
    FileIO::removeStaleTemporaryFiles(m_file);
    if (!isPresent(m_file)) return std::nullopt;
    auto text = FileIO::readFile(m_file);
    if (!text) m_setAsidePending = true;
    return text;
}

std::optional<Value> StoreFile::readJSON() {
    const auto text = read();
    if (!text) return std::nullopt;
    Value parsed = nestsDeeperThan(*text, kMaxDepth) ? Value(Value::value_t::discarded)
                                                     : Value::parse(*text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) {
        m_setAsidePending = true;
        return std::nullopt;
    }
    return parsed;
}

bool StoreFile::write(std::string_view data) {
    m_encode = nullptr;
    m_scheduled.cancel();
    if (m_setAsidePending) {
        if (isPresent(m_file) && !FileIO::setAsideCorrupt(m_file)) {
            // Overwriting now would destroy the only copy of what the user had; the owner keeps
            // the change in memory and the next write tries again.
            failed("cannot keep the unreadable file " + m_file.string() + " aside");
            return false;
        }
        m_setAsidePending = false;
    }
    auto status = FileIO::writeAtomically(m_file, data, FileIO::Access::ownerOnly);
    if (!status.ok()) {
        failed(status.error());
        return false;
    }
    m_lastWriteError.reset();
    m_reported.clear();
    return true;
}

void StoreFile::scheduleWrite(std::function<std::string()> encode) {
    if (!m_queue) {
        write(encode());
        return;
    }
    m_encode = std::move(encode);
    if (!m_scheduled.isPending()) m_scheduled = m_queue->postAfter(m_delay, [this] { flush(); });
}

void StoreFile::flush() {
    if (!m_encode) return;
    const auto encode = std::exchange(m_encode, nullptr);
    write(encode());
}

void StoreFile::failed(std::string reason) {
    const bool first = m_reported.insert(reason).second;
    m_lastWriteError = std::move(reason);
    if (first && onWriteFailure) onWriteFailure(*m_lastWriteError);
}

}  // namespace tarnlet
