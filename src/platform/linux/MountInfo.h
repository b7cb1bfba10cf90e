#pragma once
// Reading the kernel's mount table (/proc/self/mountinfo) as volumes. A line names one mount: its
// identifier, the device numbers, the mount point and the file system; pseudo file systems
// (proc, sysfs, tmpfs, cgroup, overlay and their kin) hold no user data and are not volumes.
//
// A volume is external when its device is removable (the block device's "removable" flag in sysfs,
// a partition answering for its disk) or when it is mounted where desktops mount plugged-in drives
// (/media, /run/media); many USB disks do not call themselves removable, so the place counts too.
// A device the kernel does not describe (network and FUSE file systems) leaves the question open.
// A volume is hidden when a file manager would not show it: anything outside the root, the
// drive folders (/media, /run/media, /mnt) and the user's home, or below a dot-folder.
//
// Pure functions over text and sysfs; any thread.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Volumes.h"

namespace tarnlet::linux_desktop {

class MountInfo {
public:
    struct Entry {
        int id = 0;
        unsigned major = 0;
        unsigned minor = 0;
        std::filesystem::path mountPoint;
        std::string fileSystem;
        std::string source;
    };
    // Answers whether the block device with these numbers is removable; none when unknown.
    using RemovableLookup = std::function<std::optional<bool>(unsigned major, unsigned minor)>;

    MountInfo() = delete;

    // Every well-formed line of the table, in order; malformed lines are skipped.
    static std::vector<Entry> parse(std::string_view text);
    static bool isPseudoFileSystem(std::string_view fileSystem);
    // The volume a mount stands for; none for pseudo file systems.
    static std::optional<Volume> volume(const Entry& entry, const std::filesystem::path& home,
                                        const RemovableLookup& removable);
    // The sysfs answer under sysRoot (normally "/sys") for a device, or its disk for a partition.
    static std::optional<bool> removableInSysfs(const std::filesystem::path& sysRoot, unsigned major, unsigned minor);
};

}  // namespace tarnlet::linux_desktop
