#include "platform/linux/SettingsFolderWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <string_view>

#include "platform/host/FileDefaults.h"
#include "platform/host/HostFolders.h"

namespace tarnlet::linux_desktop {

SettingsFolderWatcher::SettingsFolderWatcher(host::FileDefaultsSuites& suites) : m_suites(suites) {
    host::HostFolders::createPrivateFolder(m_suites.folder());
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) return;
    // A completed write in place, a file renamed into the folder, and a file removed.
    const uint32_t events = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;
    if (::inotify_add_watch(m_fd, m_suites.folder().c_str(), events) < 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { readEvents(); });
}

SettingsFolderWatcher::~SettingsFolderWatcher() {
    m_notifier.reset();
    if (m_fd >= 0) ::close(m_fd);
}

void SettingsFolderWatcher::readEvents() {
    // One write produces several events (the temporary file, then the rename); the whole batch is
    // read first so the stores are re-read once.
    bool settingsFile = false;
    alignas(struct inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            const std::string_view name = event->len ? std::string_view(event->name) : std::string_view();
            // Only the stores themselves: temporary files and kept-aside copies are someone's work in
            // progress, and an overflow means anything may have changed.
            if ((event->mask & IN_Q_OVERFLOW) || (name.size() > 5 && name.substr(name.size() - 5) == ".json" && name[0] != '.'))
                settingsFile = true;
            at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
        }
    }
    if (settingsFile && m_suites.reload() && onChange) onChange();
}

}  // namespace tarnlet::linux_desktop
