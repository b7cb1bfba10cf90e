#include "platform/linux/MountVolumes.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>

namespace tarnlet::linux_desktop {

namespace {

// The whole table from the start. The kernel builds it afresh for each read from offset 0, so
// one descriptor serves every reading and keeps the change signal armed.
std::string readAll(int fd) {
    std::string text;
    char buffer[16384];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    return text;
}

}  // namespace

MountVolumes::MountVolumes(std::filesystem::path home, std::filesystem::path table, std::filesystem::path sysRoot)
    : m_home(std::move(home)), m_table(std::move(table)), m_sysRoot(std::move(sysRoot)) {
    m_fd = ::open(m_table.c_str(), O_RDONLY | O_CLOEXEC);
    m_current = read();
    if (m_fd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Exception);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { refresh(); });
    }
}

MountVolumes::~MountVolumes() {
    m_notifier.reset();
    if (m_fd >= 0) ::close(m_fd);
}

MountVolumes::Table MountVolumes::read() const {
    Table table;
    if (m_fd < 0) return table;
    const auto removable = [this](unsigned major, unsigned minor) {
        return MountInfo::removableInSysfs(m_sysRoot, major, minor);
    };
    for (const auto& entry : MountInfo::parse(readAll(m_fd)))
        if (auto volume = MountInfo::volume(entry, m_home, removable))
            table.emplace(std::pair(entry.id, entry.mountPoint.string()), std::move(*volume));
    return table;
}

std::vector<Volume> MountVolumes::mountedVolumes() const {
    std::vector<Volume> volumes;
    for (auto& [key, volume] : read()) volumes.push_back(volume);
    return volumes;
}

Subscription MountVolumes::observe(std::function<void(VolumeEvent, const Volume&)> onEvent) {
    return m_observers.add(std::move(onEvent));
}

void MountVolumes::refresh() {
    Table fresh = read();
    std::vector<Volume> gone;
    std::vector<Volume> added;
    for (const auto& [key, volume] : m_current)
        if (!fresh.count(key)) gone.push_back(volume);
    for (const auto& [key, volume] : fresh)
        if (!m_current.count(key)) added.push_back(volume);
    // The table is settled before anyone hears of it, so an observer that asks sees the new state.
    m_current = std::move(fresh);
    for (const auto& volume : gone) m_observers.notify(VolumeEvent::unmounted, volume);
    for (const auto& volume : added) m_observers.notify(VolumeEvent::mounted, volume);
}

}  // namespace tarnlet::linux_desktop
