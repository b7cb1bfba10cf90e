#include "platform/FileIO.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <limits>
#include <random>
#include <system_error>
#include <vector>

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

// What every temporary file of target begins with. The target's name is shortened so the temporary
// name stays within the file system's name limit.
std::string temporaryPrefix(const fs::path& target) {
    return "." + target.filename().string().substr(0, 96) + ".tmp-";
}

// A name no other writer picks: the process id keeps processes apart, the counter threads and
// calls, and the random part a stale file left by a crashed process with a reused id.
std::string temporaryName(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 engine{std::random_device{}()};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "%ld-%u-%08x", static_cast<long>(::getpid()), ++counter,
                  static_cast<unsigned>(engine()));
    return temporaryPrefix(target) + suffix;
}

// The process that wrote a temporary file, from what follows the prefix in its name
// ("<pid>-<counter>-<8 hex digits>"); none for a name of any other shape.
std::optional<pid_t> writerOf(std::string_view rest) {
    auto digits = [&rest](std::size_t at) {
        std::size_t end = at;
        while (end < rest.size() && rest[end] >= '0' && rest[end] <= '9') ++end;
        return end;
    };
    const std::size_t pidEnd = digits(0);
    if (pidEnd == 0 || pidEnd > 10 || pidEnd >= rest.size() || rest[pidEnd] != '-') return std::nullopt;
    const std::size_t counterEnd = digits(pidEnd + 1);
    if (counterEnd == pidEnd + 1 || counterEnd >= rest.size() || rest[counterEnd] != '-') return std::nullopt;
    const std::string_view random = rest.substr(counterEnd + 1);
    if (random.size() != 8 || random.find_first_not_of("0123456789abcdef") != std::string_view::npos) return std::nullopt;
    long long pid = 0;
    for (char c : rest.substr(0, pidEnd)) pid = pid * 10 + (c - '0');
    if (pid > std::numeric_limits<pid_t>::max()) return std::nullopt;
    return static_cast<pid_t>(pid);
}

// Whether some process has this id; one of another user counts too.
bool isRunning(pid_t pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

// The file a write of file really replaces. Writing through a link keeps a user's linked settings
// file (in a dotfiles folder, say) linked instead of replacing the link with a plain file.
fs::path writeTarget(const fs::path& file) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        fs::path resolved = fs::weakly_canonical(file, ec);
        if (!ec) return resolved;
    }
    return file;
}

fs::path folderOf(const fs::path& target) {
    fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// Creates folder and its missing parents; with mode, each new one gets exactly that mode (within
// the umask), since the library's own creation always asks for the permissive default.
std::error_code createFolders(const fs::path& folder, std::optional<mode_t> mode) {
    std::error_code ec;
    if (!mode) {
        fs::create_directories(folder, ec);
        return ec;
    }
    if (fs::is_directory(folder, ec)) return {};
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder) {
        if (auto parentError = createFolders(parent, mode)) return parentError;
    }
    if (::mkdir(folder.c_str(), *mode) == 0) return {};
    const int error = errno;
    if (error == EEXIST && fs::is_directory(folder, ec)) return {};  // made meanwhile by someone else
    return std::error_code(error, std::generic_category());
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

Status FileIO::writeAtomically(const fs::path& file, std::string_view data, Access access) {
    if (file.empty() || !file.has_filename()) return Failure{"cannot write " + file.string() + ": no file name"};

    const bool ownerOnly = access == Access::ownerOnly;
    const fs::path target = writeTarget(file);
    const fs::path folder = folderOf(target);
    if (auto ec = createFolders(folder, ownerOnly ? std::optional<mode_t>(0700) : std::nullopt))
        return Failure{describe("cannot create the folder", folder, ec.value())};

    // A usual file keeps the permissions of the file it replaces.
    struct stat existing {};
    const bool hadFile = !ownerOnly && ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);

    int fd = -1;
    fs::path tempPath;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempPath = folder / temporaryName(target);
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, ownerOnly ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) return Failure{describe("cannot create a temporary file in", folder, errno)};
    }
    if (fd < 0) return Failure{describe("cannot create a temporary file in", folder, EEXIST)};
    TempFile temp(fd, tempPath);

    // An owner-only file is exactly 0600 whatever the umask; it was never readable by others.
    if (ownerOnly) (void)::fchmod(temp.fd(), 0600);
    else if (hadFile) (void)::fchmod(temp.fd(), existing.st_mode & 07777);

    int error = 0;
    if (!writeAll(temp.fd(), data, error)) return Failure{describe("cannot write", target, error)};
    while (::fsync(temp.fd()) != 0) {
        if (errno != EINTR) return Failure{describe("cannot flush", target, errno)};
    }
    if (int closeError = temp.close()) return Failure{describe("cannot write", target, closeError)};
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

int FileIO::removeStaleTemporaryFiles(const fs::path& file) {
    if (file.empty() || !file.has_filename()) return 0;
    const fs::path target = writeTarget(file);
    const std::string prefix = temporaryPrefix(target);
    std::error_code ec;
    std::vector<fs::path> stale;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(prefix)) continue;
        const auto writer = writerOf(std::string_view(name).substr(prefix.size()));
        std::error_code statError;
        if (!writer || !it->is_regular_file(statError) || statError) continue;
        const auto written = fs::last_write_time(it->path(), statError);
        if (statError) continue;
        const auto age = now - written;
        const bool writerGone = *writer == ::getpid() || !isRunning(*writer);
        if (age >= std::chrono::hours(24) || (age >= std::chrono::minutes(1) && writerGone)) stale.push_back(it->path());
    }
    int removed = 0;
    for (const auto& path : stale)
        if (::unlink(path.c_str()) == 0) ++removed;
    return removed;
}

bool FileIO::setAsideCorrupt(const fs::path& file) {
    fs::path aside = file;
    aside += ".corrupt";
    return ::rename(file.c_str(), aside.c_str()) == 0;
}

}  // namespace tarnlet
