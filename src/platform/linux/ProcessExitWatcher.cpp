#include "platform/linux/ProcessExitWatcher.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace tarnlet::linux_desktop {

namespace {

// Straight system calls: the C library's wrappers came later than the calls, and some of its
// headers declare them without C linkage.
int openProcess(int pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
int sendSignal(int descriptor, int number) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, descriptor, number, nullptr, 0));
}

}  // namespace

ProcessExitWatcher::ProcessExitWatcher(int pid, std::function<void()> onExit)
    : m_pid(pid), m_onExit(std::move(onExit)) {
    m_descriptor = pid > 0 ? openProcess(pid) : -1;
    if (m_descriptor < 0) {
        // No such process means it has ended; any other failure leaves the end unheard.
        m_state = pid > 0 && errno == ESRCH ? State::exited : State::unsupported;
        return;
    }
    m_state = State::watching;
    // A pidfd becomes readable when its process ends.
    m_notifier = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { exited(); });
}

ProcessExitWatcher::~ProcessExitWatcher() {
    m_notifier.reset();
    if (m_descriptor >= 0) ::close(m_descriptor);
}

void ProcessExitWatcher::exited() {
    // The notifier is inside its own signal here: it is handed to the event loop to delete, so the
    // owner may destroy this watcher from onExit.
    m_notifier->setEnabled(false);
    m_notifier.release()->deleteLater();
    m_state = State::exited;
    if (const auto onExit = m_onExit) onExit();
}

bool ProcessExitWatcher::signal(int number) const {
    if (m_state == State::exited) return false;
    if (m_descriptor >= 0) return sendSignal(m_descriptor, number) == 0;
    return m_pid > 0 && ::kill(m_pid, number) == 0;
}

}  // namespace tarnlet::linux_desktop
