#pragma once
// Hears one process end, through a process file descriptor (pidfd) that Qt's event loop watches:
// no polling, and no confusion with a later process that reuses the number. Signals go through the
// same descriptor for the same reason.
//
//     ProcessExitWatcher watcher(pid, [pid] { forget(pid); });
//     if (watcher.state() == ProcessExitWatcher::State::exited) …    // it had ended already
//
// On a system without pidfds (Linux before 5.3) the watcher cannot hear the end, says so through
// state(), and its owner decides what stands in for it.
//
// Main thread only; needs a running Qt event loop.

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tarnlet::linux_desktop {

class ProcessExitWatcher {
public:
    enum class State { watching, exited, unsupported };

    // onExit is called once, from the event loop, when the process has ended; the watcher may be
    // destroyed from inside it.
    ProcessExitWatcher(int pid, std::function<void()> onExit);
    ~ProcessExitWatcher();
    ProcessExitWatcher(const ProcessExitWatcher&) = delete;
    ProcessExitWatcher& operator=(const ProcessExitWatcher&) = delete;

    State state() const { return m_state; }
    int pid() const { return m_pid; }
    // Sends the signal to the process; false when it has ended (or could not be signalled).
    bool signal(int number) const;

private:
    void exited();

    int m_pid;
    int m_descriptor = -1;
    State m_state = State::unsupported;
    std::function<void()> m_onExit;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace tarnlet::linux_desktop
