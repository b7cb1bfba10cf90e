#pragma once
// Watches the folder of the settings files for changes made by other processes (the settings
// command line, a second instance, the user's editor) and re-reads the stores that changed. The
// folder is watched with inotify in Qt's event loop, not polled: a file replaced by a rename (as
// every atomic write does) and a file rewritten in place are both seen. onChange runs after a
// change of stored values, never for this process's own writes, which leave the file as the
// store already holds it.
//
// Main thread only; needs a running Qt event loop.

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tarnlet::host {
class FileDefaultsSuites;
}

namespace tarnlet::linux_desktop {

class SettingsFolderWatcher {
public:
    // Creates the folder (0700) when it is missing, so that it can be watched from the start.
    explicit SettingsFolderWatcher(host::FileDefaultsSuites& suites);
    ~SettingsFolderWatcher();
    SettingsFolderWatcher(const SettingsFolderWatcher&) = delete;
    SettingsFolderWatcher& operator=(const SettingsFolderWatcher&) = delete;

    bool isWatching() const { return m_notifier != nullptr; }

    // Called after the stores were re-read and some stored value changed.
    std::function<void()> onChange;

private:
    void readEvents();

    host::FileDefaultsSuites& m_suites;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace tarnlet::linux_desktop
