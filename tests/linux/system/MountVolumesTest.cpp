#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "linux/system/SystemTestSupport.h"
#include "platform/FileIO.h"
#include "platform/linux/MountInfo.h"
#include "platform/linux/MountVolumes.h"

namespace tarnlet::linux_desktop {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTable =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
    "31 23 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
    "60 27 8:17 / /run/media/ana/My\\040Stick rw,nosuid shared:9 master:2 - vfat /dev/sdb1 rw\n"
    "61 27 8:2 / /boot/efi rw - vfat /dev/sda2 rw\n"
    "62 27 0:50 / /home/ana/net rw - fuse.sshfs host:/ rw\n"
    "63 27 259:3 / /mnt/backup rw - ext4 /dev/nvme0n1p3 rw\n"
    "64 27 0:51 / /home/ana/.cache/doc rw - fuse.portal portal rw\n"
    "garbage line without fields\n"
    "65 27 7:0 / /home/ana/.hidden/disk rw - ext4 /dev/loop0 rw\n";

// The sysfs answers for the table above: sdb is a removable stick, the rest fixed disks.
std::optional<bool> removable(unsigned major, unsigned minor) {
    if (major == 8 && minor == 17) return true;
    if (major == 0) return std::nullopt;
    return false;
}

TEST(MountInfo, TableLinesBecomeVolumesOnlyForRealFileSystems) {
    const auto entries = MountInfo::parse(kTable);
    ASSERT_EQ(entries.size(), 9u);  // the garbage line is skipped
    EXPECT_EQ(entries[3].mountPoint, "/run/media/ana/My Stick");
    EXPECT_EQ(entries[3].fileSystem, "vfat");
    EXPECT_EQ(entries[3].major, 8u);
    EXPECT_EQ(entries[3].minor, 17u);

    std::vector<Volume> volumes;
    for (const auto& entry : entries)
        if (auto volume = MountInfo::volume(entry, "/home/ana", removable)) volumes.push_back(*volume);
    ASSERT_EQ(volumes.size(), 6u);  // proc, the cgroup tmpfs and the portal are not volumes

    auto find = [&](const fs::path& url) {
        for (const auto& v : volumes)
            if (v.url == url) return v;
        ADD_FAILURE() << "no volume at " << url;
        return Volume{};
    };
    const Volume root = find("/");
    EXPECT_EQ(root.isInternal, true);
    EXPECT_FALSE(root.isHidden);
    const Volume stick = find("/run/media/ana/My Stick");
    EXPECT_EQ(stick.isInternal, false);
    EXPECT_FALSE(stick.isHidden);
    // A system folder is internal and not shown; a network mount cannot say where it lives.
    EXPECT_TRUE(find("/boot/efi").isHidden);
    EXPECT_EQ(find("/home/ana/net").isInternal, std::nullopt);
    EXPECT_FALSE(find("/home/ana/net").isHidden);
    EXPECT_EQ(find("/mnt/backup").isInternal, true);
    EXPECT_TRUE(find("/home/ana/.hidden/disk").isHidden);
}

TEST(MountInfo, PartitionsAnswerForTheirDisk) {
    // A sysfs tree in miniature: /sys/dev/block/8:17 links to the partition sdb1, whose disk sdb
    // says it is removable; 8:0 is the fixed disk sda itself.
    test::TempDir sys;
    const fs::path block = sys.path() / "devices" / "pci" / "block";
    fs::create_directories(block / "sdb" / "sdb1");
    fs::create_directories(block / "sda");
    std::ofstream(block / "sdb" / "removable") << "1\n";
    std::ofstream(block / "sdb" / "sdb1" / "partition") << "1\n";
    std::ofstream(block / "sda" / "removable") << "0\n";
    fs::create_directories(sys.path() / "dev" / "block");
    fs::create_directory_symlink(block / "sdb" / "sdb1", sys.path() / "dev" / "block" / "8:17");
    fs::create_directory_symlink(block / "sda", sys.path() / "dev" / "block" / "8:0");

    EXPECT_EQ(MountInfo::removableInSysfs(sys.path(), 8, 17), true);
    EXPECT_EQ(MountInfo::removableInSysfs(sys.path(), 8, 0), false);
    EXPECT_EQ(MountInfo::removableInSysfs(sys.path(), 9, 9), std::nullopt);
}

// A real mount, made in a private mount namespace so that nothing outside this test process sees
// it: a drive folder under /media is announced as a mounted external volume and then as unmounted,
// while the tmpfs laid over /media for the occasion is not a volume at all.
TEST(MountVolumes, AMountAndAnUnmountInTheKernelTableAreAnnounced) {
    if (::unshare(CLONE_NEWNS) != 0)
        GTEST_SKIP() << "no private mount namespace here (" << std::strerror(errno) << "): needs root, one thread";
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0) << std::strerror(errno);
    test::ensureQtApplication();

    const fs::path source = fs::current_path();
    MountVolumes volumes("/nonexistent-home");
    // The file system the source folder lives on: the deepest mount point above it.
    bool sourceIsVolume = false;
    std::size_t deepest = 0;
    for (const auto& entry : MountInfo::parse(FileIO::readFile("/proc/self/mountinfo").value_or(""))) {
        const std::string point = entry.mountPoint.string();
        if (source.string().rfind(point, 0) != 0 || point.size() < deepest) continue;
        deepest = point.size();
        sourceIsVolume = !MountInfo::isPseudoFileSystem(entry.fileSystem);
    }
    if (!sourceIsVolume) GTEST_SKIP() << source << " is on a pseudo file system; its bind mount would not be a volume";

    std::vector<std::pair<VolumeEvent, Volume>> events;
    Subscription subscription = volumes.observe([&](VolumeEvent event, const Volume& volume) {
        events.emplace_back(event, volume);
    });

    const bool createdMedia = ::mkdir("/media", 0755) == 0;
    ASSERT_EQ(::mount("tmpfs", "/media", "tmpfs", 0, "size=1m"), 0) << std::strerror(errno);
    const fs::path drive = "/media/TarnletTestDrive";
    fs::create_directory(drive);
    ASSERT_EQ(::mount(source.c_str(), drive.c_str(), nullptr, MS_BIND, nullptr), 0) << std::strerror(errno);

    ASSERT_TRUE(test::waitUntil([&] { return !events.empty(); }));
    ASSERT_EQ(events.size(), 1u) << "the tmpfs over /media was announced";
    EXPECT_EQ(events[0].first, VolumeEvent::mounted);
    EXPECT_EQ(events[0].second.url, drive);
    EXPECT_EQ(events[0].second.isInternal, false);
    EXPECT_FALSE(events[0].second.isHidden);
    bool listed = false;
    for (const auto& volume : volumes.mountedVolumes()) listed = listed || volume.url == drive;
    EXPECT_TRUE(listed);

    ASSERT_EQ(::umount2(drive.c_str(), 0), 0) << std::strerror(errno);
    ASSERT_TRUE(test::waitUntil([&] { return events.size() >= 2; }));
    EXPECT_EQ(events[1].first, VolumeEvent::unmounted);
    EXPECT_EQ(events[1].second.url, drive);

    ::umount2("/media", MNT_DETACH);
    if (createdMedia) ::rmdir("/media");
}

}  // namespace
}  // namespace tarnlet::linux_desktop
