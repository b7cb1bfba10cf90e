#pragma once
// The one real file service every store writes through. Reads never throw; writes are atomic: the
// data goes to a temporary file beside the target, is flushed to the disk and then renamed over the
// target, so a reader (or the next launch after a crash) sees either the old file or the new one,
// never a torn mixture.
//
//     if (auto text = FileIO::readFile(file)) parse(*text);
//     auto status = FileIO::writeAtomically(file, json.dump());
//     if (!status.ok()) log(status.error());
//
// Any thread, as long as two threads never write the same file at the same time.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace tarnlet {

class FileIO {
public:
    FileIO() = delete;

    // The whole contents of a regular file; none when it is missing, not a regular file or
    // cannot be read.
    static std::optional<std::string> readFile(const std::filesystem::path& file);

    // Who may read a written file. `usual`: a new file gets the usual mode under the process's
    // umask and a replaced file keeps its mode, as any other program's would. `ownerOnly`: for files
    // that hold the user's own content (copied texts, snippets, settings), the file is always mode
    // 0600, from the first byte written, and every folder created for it mode 0700.
    enum class Access { usual, ownerOnly };

    // Replaces the file's contents with data, creating missing parent folders. A symbolic link is
    // written through, so a linked settings file stays linked. On failure the old file is left
    // untouched, no temporary file remains, and the reason is returned; it names the target and
    // the step that failed, never the temporary file, so one cause always reads the same.
    static Status writeAtomically(const std::filesystem::path& file, std::string_view data,
                                  Access access = Access::usual);

    // Removes the temporary files that interrupted writes of file left beside it (a write cut
    // short by a crash or a kill cannot clean up after itself). One counts as stale when it is at
    // least a minute old and its writer is gone or is this process, or when it is a day old: a
    // write takes milliseconds. Call it only while no write of file is under way in this process.
    // Returns how many were removed.
    static int removeStaleTemporaryFiles(const std::filesystem::path& file);

    // Renames "<name>" to "<name>.corrupt" beside it, replacing an older ".corrupt" file, so an
    // unreadable store survives for inspection before it is overwritten. True on success.
    static bool setAsideCorrupt(const std::filesystem::path& file);
};

}  // namespace tarnlet
