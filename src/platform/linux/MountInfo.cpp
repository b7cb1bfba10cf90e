#include "platform/linux/MountInfo.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "platform/FileIO.h"

namespace tarnlet::linux_desktop {

namespace fs = std::filesystem;

namespace {

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < line.size()) {
        const auto end = line.find(' ', start);
        if (end != start) out.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

// The table writes space, tab, newline and backslash in paths as three octal digits after a
// backslash ("\040"); everything else is literal.
std::string unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string_view digits = text.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out.push_back(static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

template <class T>
bool number(std::string_view text, T& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool isWithin(const fs::path& path, const fs::path& folder) {
    if (folder.empty()) return false;
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty()) continue;  // a trailing separator
        if (p == path.end() || *p != *f) return false;
    }
    return true;
}

bool isDriveFolder(const fs::path& mountPoint) {
    return isWithin(mountPoint, "/media") || isWithin(mountPoint, "/run/media");
}

}  // namespace

std::vector<MountInfo::Entry> MountInfo::parse(std::string_view text) {
    std::vector<Entry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const auto parts = fields(text.substr(start, end - start));
        start = end + 1;

        // id parent major:minor root mount-point options [optional…] - type source super-options
        const auto separator = std::find(parts.begin(), parts.end(), std::string_view("-"));
        if (parts.size() < 6 || separator == parts.end() || separator - parts.begin() < 6 || parts.end() - separator < 3)
            continue;
        Entry entry;
        const auto colon = parts[2].find(':');
        if (!number(parts[0], entry.id) || colon == std::string_view::npos ||
            !number(parts[2].substr(0, colon), entry.major) || !number(parts[2].substr(colon + 1), entry.minor))
            continue;
        entry.mountPoint = unescaped(parts[4]);
        if (!entry.mountPoint.is_absolute()) continue;
        entry.fileSystem = unescaped(separator[1]);
        entry.source = unescaped(separator[2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool MountInfo::isPseudoFileSystem(std::string_view fileSystem) {
    static constexpr std::string_view kPseudo[] = {
        "proc",      "sysfs",     "tmpfs",      "devtmpfs",    "devpts",   "cgroup",     "cgroup2",
        "overlay",   "securityfs", "debugfs",   "tracefs",     "configfs", "fusectl",    "mqueue",
        "hugetlbfs", "pstore",    "bpf",        "binfmt_misc", "autofs",   "efivarfs",   "rpc_pipefs",
        "nsfs",      "ramfs",     "selinuxfs",  "nfsd",        "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs"};
    return std::find(std::begin(kPseudo), std::end(kPseudo), fileSystem) != std::end(kPseudo);
}

std::optional<Volume> MountInfo::volume(const Entry& entry, const fs::path& home, const RemovableLookup& removable) {
    if (isPseudoFileSystem(entry.fileSystem)) return std::nullopt;
    Volume volume;
    volume.url = entry.mountPoint;

    if (isDriveFolder(entry.mountPoint)) {
        volume.isInternal = false;
    } else if (entry.major != 0 && removable) {
        // Device number 0 belongs to file systems without a block device (network, FUSE): the
        // kernel cannot say where their data lives.
        if (auto isRemovable = removable(entry.major, entry.minor)) volume.isInternal = !*isRemovable;
    }

    bool shown = entry.mountPoint == "/" || isDriveFolder(entry.mountPoint) || isWithin(entry.mountPoint, "/mnt") ||
                 (home != "/" && isWithin(entry.mountPoint, home));
    for (const auto& part : entry.mountPoint)
        if (!part.empty() && part.native().front() == '.') shown = false;
    volume.isHidden = !shown;
    return volume;
}

std::optional<bool> MountInfo::removableInSysfs(const fs::path& sysRoot, unsigned major, unsigned minor) {
    const fs::path device = sysRoot / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor));
    auto flag = FileIO::readFile(device / "removable");
    if (!flag) {
        // A partition has no flag of its own; its disk is the folder above it.
        std::error_code ec;
        const fs::path resolved = fs::canonical(device, ec);
        if (ec || !fs::exists(resolved / "partition", ec)) return std::nullopt;
        flag = FileIO::readFile(resolved.parent_path() / "removable");
        if (!flag) return std::nullopt;
    }
    if (flag->empty()) return std::nullopt;
    if ((*flag)[0] == '1') return true;
    if ((*flag)[0] == '0') return false;
    return std::nullopt;
}

}  // namespace tarnlet::linux_desktop
