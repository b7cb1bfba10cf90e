#pragma once
// The mounted volumes of a Linux machine and their mount and unmount announcements. The kernel's
// mount table is re-read whenever it changes: the open table signals a change as an exceptional
// condition (POLLPRI), which Qt's event loop watches, so nothing polls. Each change is diffed
// against the previous reading and announced per volume, unmounts first. MountInfo decides what
// counts as a volume and whether it is internal and hidden.
//
// Main thread only; needs a running Qt event loop for the announcements.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "base/ObserverList.h"
#include "platform/Volumes.h"
#include "platform/linux/MountInfo.h"

class QSocketNotifier;

namespace tarnlet::linux_desktop {

class MountVolumes : public Volumes {
public:
    static constexpr const char* kMountTable = "/proc/self/mountinfo";

    // table: the mount table to read; sysRoot: where sysfs is mounted. Tests may point both
    // elsewhere (a plain file is read but never signals a change: call refresh()).
    explicit MountVolumes(std::filesystem::path home, std::filesystem::path table = kMountTable,
                          std::filesystem::path sysRoot = "/sys");
    ~MountVolumes() override;
    MountVolumes(const MountVolumes&) = delete;
    MountVolumes& operator=(const MountVolumes&) = delete;

    // Read afresh, so the answer is right even before the event loop has seen a change.
    std::vector<Volume> mountedVolumes() const override;
    Subscription observe(std::function<void(VolumeEvent, const Volume&)> onEvent) override;

    // Re-reads the table and announces what changed since the last reading.
    void refresh();

private:
    // Keyed by the kernel's mount identifier and the mount point: identifiers are reused.
    using Table = std::map<std::pair<int, std::string>, Volume>;
    Table read() const;

    std::filesystem::path m_home;
    std::filesystem::path m_table;
    std::filesystem::path m_sysRoot;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    Table m_current;
    ObserverList<VolumeEvent, const Volume&> m_observers;
};

}  // namespace tarnlet::linux_desktop
