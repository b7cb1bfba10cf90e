#include "diagnostics/FileLog.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "platform/FileIO.h"

namespace tarnlet {

namespace {

// The paths are derived once from the folder and kept as plain strings, so that each record costs
// no path arithmetic, only the system calls themselves.
struct Paths {
    std::filesystem::path directory;
    std::string file;
    std::string previous;

    explicit Paths(std::filesystem::path folder)
        : directory(std::move(folder)),
          file((directory / "debug.log").string()),
          previous((directory / "debug-previous.log").string()) {}
};

std::filesystem::path defaultDirectory() {
    std::filesystem::path home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    } else {
        home = "/tmp";
    }
    return home / "Library" / "Logs" / "Tarnlet";
}

Paths& paths() {
    static Paths s_paths(defaultDirectory());
    return s_paths;
}

std::function<double()>& clock() {
    static std::function<double()> s_clock;
    return s_clock;
}

double systemWallNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

int openRetrying(const char* path, int flags, mode_t mode = 0644) {
    for (;;) {
        int fd = ::open(path, flags | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

// Writes every byte, resuming after short writes and interruptions; false when the disk refuses.
bool writeAll(int fd, std::string_view data) {
    const char* cursor = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t written = ::write(fd, cursor, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        cursor += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// Replaces the contents of an existing file without replacing the file itself, so that every
// descriptor already open on it (the crash recorder's above all) keeps writing to the live log.
void overwriteInPlace(const char* path, std::string_view data) {
    int fd = openRetrying(path, O_WRONLY | O_TRUNC);
    if (fd < 0) return;
    writeAll(fd, data);
    ::close(fd);
}

void createDirectory(const std::filesystem::path& directory) {
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
}

bool parseDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

void putDigits(char* out, unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

std::string_view firstField(std::string_view line) {
    auto space = line.find(' ');
    return space == std::string_view::npos ? line : line.substr(0, space);
}

}  // namespace

void FileLog::setDirectory(std::filesystem::path directory) { paths() = Paths(std::move(directory)); }
std::filesystem::path FileLog::directory() { return paths().directory; }
std::filesystem::path FileLog::fileURL() { return paths().file; }
std::filesystem::path FileLog::previousURL() { return paths().previous; }

void FileLog::setClock(std::function<double()> wallNow) { clock() = std::move(wallNow); }

double FileLog::now() {
    const auto& custom = clock();
    return custom ? custom() : systemWallNow();
}

std::string FileLog::timestamp(double secondsSince1970) {
    using namespace std::chrono;
    // Stamps keep the millisecond the moment falls in; the tiny nudge keeps a time that is meant to
    // be a whole millisecond (but is not exactly representable) from reading one millisecond early.
    auto totalMs = static_cast<long long>(std::floor(secondsSince1970 * 1000.0 + 1e-6));
    long long ms = totalMs % 1000;
    long long seconds = totalMs / 1000;
    if (ms < 0) {
        ms += 1000;
        seconds -= 1;
    }
    long long days = seconds / 86400;
    long long secondOfDay = seconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        days -= 1;
    }
    year_month_day date{sys_days{std::chrono::days{days}}};
    int year = static_cast<int>(date.year());
    if (year < 0) year = 0;
    if (year > 9999) year = 9999;

    char out[] = "0000-00-00T00:00:00.000Z";
    putDigits(out, static_cast<unsigned>(year), 4);
    putDigits(out + 5, static_cast<unsigned>(date.month()), 2);
    putDigits(out + 8, static_cast<unsigned>(date.day()), 2);
    putDigits(out + 11, static_cast<unsigned>(secondOfDay / 3600), 2);
    putDigits(out + 14, static_cast<unsigned>(secondOfDay / 60 % 60), 2);
    putDigits(out + 17, static_cast<unsigned>(secondOfDay % 60), 2);
    putDigits(out + 20, static_cast<unsigned>(ms), 3);
    return std::string(out, sizeof out - 1);
}

std::optional<double> FileLog::parseTimestamp(std::string_view text) {
    // yyyy-MM-ddTHH:mm:ss[.fraction](Z|±HH:MM)
    int year, month, day, hour, minute, second;
    if (!parseDigits(text, 0, 4, year) || text.size() < 19 || text[4] != '-' || !parseDigits(text, 5, 2, month) ||
        text[7] != '-' || !parseDigits(text, 8, 2, day) || text[10] != 'T' || !parseDigits(text, 11, 2, hour) ||
        text[13] != ':' || !parseDigits(text, 14, 2, minute) || text[16] != ':' || !parseDigits(text, 17, 2, second))
        return std::nullopt;

    using namespace std::chrono;
    year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                        std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;

    std::size_t at = 19;
    double fraction = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        double scale = 0.1;
        std::size_t digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            fraction += (text[at] - '0') * scale;
            scale /= 10;
            ++at;
            ++digits;
        }
        if (digits == 0) return std::nullopt;
    }

    long long offsetSeconds = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        int sign = text[at] == '-' ? -1 : 1;
        int offsetHours, offsetMinutes;
        if (!parseDigits(text, at + 1, 2, offsetHours) || at + 3 >= text.size() || text[at + 3] != ':' ||
            !parseDigits(text, at + 4, 2, offsetMinutes) || offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offsetHours * 3600LL + offsetMinutes * 60LL);
        at += 6;
    } else {
        return std::nullopt;
    }
    if (at != text.size()) return std::nullopt;

    long long days = sys_days{date}.time_since_epoch().count();
    long long seconds = days * 86400 + hour * 3600LL + minute * 60LL + second - offsetSeconds;
    // Whole milliseconds are rounded back to exactly what the formatter started from.
    return static_cast<double>(seconds) + std::round(fraction * 1e6) / 1e6;
}

void FileLog::append(std::string_view text) {
    std::string record = timestamp(now());
    record.reserve(record.size() + text.size() + 2);
    record += ' ';
    record += text;
    record += '\n';
    appendRaw(record);
}

void FileLog::appendSession(std::string_view text) {
    std::string record = timestamp(now());
    record += ' ';
    record += kSessionMarker;
    record += ' ';
    record += text;
    record += ' ';
    record += kSessionMarker;
    record += '\n';
    appendRaw(record);
}

void FileLog::appendRaw(std::string_view text) {
    const Paths& where = paths();
    // Opening first spares the folder check on every record: when the log opens, its folder is
    // there already.
    int fd = openRetrying(where.file.c_str(), O_WRONLY | O_APPEND);
    if (fd < 0) {
        createDirectory(where.directory);
        // A log that is not there yet is started with this record. O_EXCL keeps a log that exists
        // but failed to open for another reason (a full descriptor table, say) from being
        // truncated: that record is dropped instead of the whole file.
        int created = openRetrying(where.file.c_str(), O_WRONLY | O_CREAT | O_EXCL);
        if (created < 0 && errno == EEXIST) {
            fd = openRetrying(where.file.c_str(), O_WRONLY | O_APPEND);
            if (fd < 0) return;
        } else {
            if (created < 0) return;
            writeAll(created, text);
            ::close(created);
            return;
        }
    }
    off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < 0) end = 0;
    writeAll(fd, text);
    ::close(fd);
    if (static_cast<std::uint64_t>(end) + text.size() > kRollThreshold) rotate();
}

int FileLog::openForCrashWriting() {
    const Paths& where = paths();
    createDirectory(where.directory);
    // O_CREAT without O_TRUNC: a missing log starts empty, an existing one is kept as it is.
    return openRetrying(where.file.c_str(), O_WRONLY | O_APPEND | O_CREAT);
}

std::string FileLog::byteCountDescription(std::uint64_t bytes) {
    if (bytes == 0) return "Zero KB";
    if (bytes == 1) return "1 byte";
    if (bytes < 1000) return std::to_string(bytes) + " bytes";

    struct Unit {
        const char* name;
        std::uint64_t size;
        int decimals;
    };
    static constexpr Unit kUnits[] = {
        {"KB", 1'000ULL, 0},
        {"MB", 1'000'000ULL, 1},
        {"GB", 1'000'000'000ULL, 2},
        {"TB", 1'000'000'000'000ULL, 2},
        {"PB", 1'000'000'000'000'000ULL, 2},
        {"EB", 1'000'000'000'000'000'000ULL, 2},
    };
    constexpr std::size_t kUnitCount = sizeof kUnits / sizeof kUnits[0];
    for (std::size_t i = 0; i < kUnitCount; ++i) {
        const Unit& unit = kUnits[i];
        std::uint64_t step = unit.size;
        for (int d = 0; d < unit.decimals; ++d) step /= 10;
        // Rounded half up in whole steps, without overflowing near the top of the range.
        std::uint64_t steps = bytes / step + ((bytes % step) * 2 >= step ? 1 : 0);
        std::uint64_t scale = unit.decimals == 0 ? 1 : unit.decimals == 1 ? 10 : 100;
        // A figure that rounds up to 1000 of a unit reads better as 1 of the next one.
        if (steps >= 1000 * scale && i + 1 < kUnitCount) continue;
        std::string text = std::to_string(steps / scale);
        // The fraction's digits, most significant first, without trailing zeros ("5.2", "1.2").
        std::uint64_t fraction = steps % scale;
        if (fraction != 0) {
            text += '.';
            for (std::uint64_t place = scale / 10; place > 0 && fraction != 0; place /= 10) {
                text += static_cast<char>('0' + fraction / place);
                fraction %= place;
            }
        }
        text += ' ';
        text += unit.name;
        return text;
    }
    return std::to_string(bytes) + " bytes";
}

std::optional<std::string> FileLog::sizeDescription() {
    struct stat info {};
    if (::stat(paths().file.c_str(), &info) != 0) return std::nullopt;
    return byteCountDescription(static_cast<std::uint64_t>(info.st_size));
}

void FileLog::reveal(const std::function<void(const std::filesystem::path&)>& showInFileManager) {
    int fd = openForCrashWriting();
    if (fd >= 0) ::close(fd);
    if (showInFileManager) showInFileManager(fileURL());
}

void FileLog::clear() {
    ::unlink(paths().file.c_str());
    ::unlink(paths().previous.c_str());
}

std::size_t FileLog::cutIndex(const std::vector<std::string>& lines, double now, double retaining) {
    const double cutoff = now - retaining;
    const std::size_t count = lines.size();
    const std::size_t half = count >= 2 ? count / 2 : 0;
    std::size_t start = 0;
    bool sawDated = false;
    for (std::size_t i = 0; i < count; ++i) {
        auto stamp = parseTimestamp(firstField(lines[i]));
        if (!stamp) continue;
        sawDated = true;
        if (*stamp < cutoff) {
            start = i + 1;
            continue;
        }
        // Even a log that is entirely recent gives up its older half, so a roll always frees space.
        return start == 0 ? half : start;
    }
    return sawDated ? count : half;
}

std::optional<std::string> FileLog::sessionLine(std::size_t index, const std::vector<std::string>& lines) {
    if (index < 1 || index > lines.size()) return std::nullopt;
    // A kept part that opens with its own session line (blank lines aside) needs no carried one.
    for (std::size_t i = index; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        if (lines[i].find(kSessionMarker) != std::string::npos) return std::nullopt;
        break;
    }
    for (std::size_t i = index; i-- > 0;)
        if (lines[i].find(kSessionMarker) != std::string::npos) return lines[i];
    return std::nullopt;
}

void FileLog::rotate() {
    const Paths& where = paths();
    std::error_code ignored;
    std::filesystem::remove(where.previous, ignored);
    std::filesystem::copy_file(where.file, where.previous, ignored);

    // The log is taken as bytes: one stray invalid UTF-8 sequence in a message must not cost the
    // whole file.
    auto contents = FileIO::readFile(where.file);
    if (!contents) {
        overwriteInPlace(where.file.c_str(), {});
        return;
    }

    std::vector<std::string> lines;
    std::string_view text = *contents;
    for (std::size_t from = 0;;) {
        auto feed = text.find('\n', from);
        if (feed == std::string_view::npos) {
            lines.emplace_back(text.substr(from));
            break;
        }
        lines.emplace_back(text.substr(from, feed - from));
        from = feed + 1;
    }
    if (lines.empty()) return;

    const double moment = now();
    const std::size_t cut = cutIndex(lines, moment, kRetainedSeconds);
    const auto carried = sessionLine(cut, lines);

    // The empty last line a final line feed leaves behind is not content: the rewritten file ends
    // with exactly one line feed, never with a blank line.
    std::size_t end = lines.size();
    while (end > cut && lines[end - 1].empty()) --end;

    std::string rewritten;
    rewritten.reserve(text.size());
    if (carried) {
        rewritten += *carried;
        const std::string_view suffix = kCarriedSuffix;
        // A line carried by an earlier roll already says so.
        if (!std::string_view(*carried).ends_with(suffix)) rewritten += suffix;
        rewritten += '\n';
    }
    rewritten += timestamp(moment);
    rewritten += " — rolled: ";
    rewritten += std::to_string(cut);
    rewritten += " older line(s) dropped, keeping the last ";
    rewritten += std::to_string(static_cast<long long>(kRetainedSeconds / 3600));
    rewritten += "h —";
    for (std::size_t i = cut; i < end; ++i) {
        rewritten += '\n';
        rewritten += lines[i];
    }
    rewritten += '\n';
    overwriteInPlace(where.file.c_str(), rewritten);
}

}  // namespace tarnlet
