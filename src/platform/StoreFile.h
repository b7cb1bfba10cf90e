#pragma once
// The file behind one store (the clipboard history, the snippets, a settings suite) and the one
// policy every store follows with it:
//
// * it holds the user's own content, so it is written mode 0600, in folders created mode 0700;
// * every write is atomic (FileIO::writeAtomically);
// * a file that is present but cannot be read or understood reads as nothing, and before it is
//   first overwritten it is renamed "<name>.corrupt" beside itself (when that fails, it is not
//   overwritten either, and the write counts as failed);
// * the temporary files that interrupted writes left beside it are cleared when it is read;
// * a failed write is reported through onWriteFailure once for each way it failed, until a write
//   succeeds again, so a full disk does not repeat itself on every change.
//
//     StoreFile file(root / "Snippets.json");
//     file.onWriteFailure = [](const std::string& reason) { Log::error("Snippets: could not save snippets — " + reason); };
//     if (auto json = file.readJSON(); json && !decode(*json)) file.setAsideBeforeWriting();
//     file.write(encode());
//
// A store whose changes come in bursts (each clipboard copy) schedules its writes instead: they are
// coalesced into one write a short delay after the first, encoded when they are made, and written
// at once by flush() or when this object is destroyed. An owner whose encoder reads its own state
// flushes in its own destructor (or declares the StoreFile after that state).
//
//     StoreFile history(root / "Clipboard.json", queue, 1.0);
//     history.scheduleWrite([this] { return encodeHistory(); });
//
// Main thread only.

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "base/Value.h"
#include "platform/MainQueue.h"

namespace tarnlet {

class StoreFile {
public:
    // Containers nested deeper than this make a file unreadable: no store nests more than a few
    // levels, and a value nested without bound would exhaust the stack of every recursive walk
    // over it (comparing, encoding) later on.
    static constexpr int kMaxDepth = 64;

    // Writes are made at once.
    explicit StoreFile(std::filesystem::path file);
    // Scheduled writes are coalesced on queue for delay seconds.
    StoreFile(std::filesystem::path file, MainQueue& queue, double delay);
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;
    // Makes a scheduled write.
    ~StoreFile();

    const std::filesystem::path& file() const { return m_file; }

    // ---- Reading ----

    // The file's text, after clearing the stale temporary files of earlier writes. None when the
    // file is missing (there is nothing to keep) or cannot be read (it is set aside before the
    // next write). Each read decides afresh whether a file has to be set aside.
    std::optional<std::string> read();
    // read() parsed as JSON. Text that does not parse, or nests deeper than kMaxDepth, gives none
    // and is set aside before the next write.
    std::optional<Value> readJSON();
    // The owner did not (wholly) understand what it read: keep the file aside before the first write.
    void setAsideBeforeWriting() { m_setAsidePending = true; }
    // True while an unreadable file found by the last read still waits to be set aside.
    bool holdsUnreadableFile() const { return m_setAsidePending; }

    // ---- Writing ----

    // Replaces the file with data now, dropping a scheduled write it supersedes. True on success.
    bool write(std::string_view data);
    // Writes what encode returns later, together with every change scheduled meanwhile: on the
    // queue after the delay counted from the first unwritten change. Without a queue, at once.
    void scheduleWrite(std::function<std::string()> encode);
    bool hasScheduledWrite() const { return static_cast<bool>(m_encode); }
    // Makes a scheduled write now; nothing when none is scheduled.
    void flush();

    // Why the latest write failed; none after a successful one or before any.
    const std::optional<std::string>& lastWriteError() const { return m_lastWriteError; }

    // Told why a write failed, the first time it fails that way since the last successful write.
    std::function<void(const std::string& reason)> onWriteFailure;

private:
    void failed(std::string reason);

    std::filesystem::path m_file;
    MainQueue* m_queue = nullptr;
    double m_delay = 0;
    bool m_setAsidePending = false;
    std::function<std::string()> m_encode;
    WorkItem m_scheduled;
    std::optional<std::string> m_lastWriteError;
    std::set<std::string> m_reported;
};

}  // namespace tarnlet
