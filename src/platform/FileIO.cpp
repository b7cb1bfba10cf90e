#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

namespace tarnlet {

namespace fs = std::filesystem;

namespace {

std::string describe(const std::string& what, const fs::path& path, int error) {
    return what + " " + path.string() + ": " + std::generic_category().message(error);
}

// Closes a descriptor and removes the temporary file it belongs to, unless released.
class TempFile {
public:
    TempFile(int fd, fs::path path) : m_fd(fd), m_path(std::move(path)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_released) ::unlink(m_path.c_str());
    }
    int fd() const { return m_fd; }
    const fs::path& path() const { return m_path; }
    // Closes the descriptor and reports close's own error, which can be the first sign of a full disk.
    int close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }
    void release() { m_released = true; }

private:
    int m_fd;
    fs::path m_path;
    bool m_released = false;
};

// A name no other writer picks: the process id keeps processes apart, the counter threads and
// calls, and the random part a stale file left by a crashed process with a reused id. The target's
// name is shortened so the temporary name stays within the file system's name limit.
std::string temporaryName(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 engine{std::random_device{}()};
    std::string stem = target.filename().string().substr(0, 96);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u-%08x", static_cast<long>(::getpid()), ++counter,
                  static_cast<unsigned>(engine()));
    return "." + stem + suffix;
}

bool writeAll(int fd, std::string_view data, int& error) {
    const char* cursor = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, cursor, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        cursor += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::optional<std::string> FileIO::readFile(const fs::path& file) {
    // Non-blocking open, so a named pipe put where a store belongs cannot hang the caller.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string out;
    if (info.st_size > 0) out.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return out;
}

Status FileIO::writeAtomically(const fs::path& file, std::string_view data) {
    if (file.empty() || !file.has_filename()) return Failure{"cannot write " + file.string() + ": no file name"};

    std::error_code ec;
    fs::path target = file;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        // Writing through the link keeps a user's linked settings file (in a dotfiles folder, say)
        // linked instead of replacing the link with a plain file.
        fs::path resolved = fs::weakly_canonical(file, ec);
        if (!ec) target = resolved;
    }

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    fs::create_directories(folder, ec);
    if (ec) return Failure{describe("cannot create the folder", folder, ec.value())};

    // Keep the permissions of the file being replaced; a new file gets the usual mode under the
    // process's umask, as any other program's would.
    struct stat existing {};
    const bool hadFile = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);

    int fd = -1;
    fs::path tempPath;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempPath = folder / temporaryName(target);
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) return Failure{describe("cannot create a temporary file in", folder, errno)};
    }
    if (fd < 0) return Failure{describe("cannot create a temporary file in", folder, EEXIST)};
    TempFile temp(fd, tempPath);

    if (hadFile) (void)::fchmod(temp.fd(), existing.st_mode & 07777);

    int error = 0;
    if (!writeAll(temp.fd(), data, error)) return Failure{describe("cannot write", tempPath, error)};
    while (::fsync(temp.fd()) != 0) {
        if (errno != EINTR) return Failure{describe("cannot flush", tempPath, errno)};
    }
    if (int closeError = temp.close()) return Failure{describe("cannot write", tempPath, closeError)};
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return Failure{describe("cannot replace", target, errno)};
    temp.release();

    // Flushing the folder makes the rename itself durable. Its failure is not reported: the new
    // contents are already in place, and some file systems simply do not support it.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }
    return success();
}

bool FileIO::setAsideCorrupt(const fs::path& file) {
    fs::path aside = file;
    aside += ".corrupt";
    return ::rename(file.c_str(), aside.c_str()) == 0;
}

}  // namespace tarnlet
