#include "main/SessionEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "diagnostics/Log.h"

namespace tarnlet {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT};

std::atomic<int> s_writeEnd{-1};
std::atomic<bool> s_displayLossArmed{false};
bool s_exitHandlerInstalled = false;

void onQuitSignal(int signal) {
    const int saved = errno;
    const int fd = s_writeEnd.load();
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (fd >= 0) {
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

void onExit() {
    if (!s_displayLossArmed.exchange(false)) return;
    const char* line = "The connection to the X11 display was lost; Tarnlet quits";
    Log::error(line);
    Log::debug(line);
    const char message[] = "tarnlet: the connection to the X11 display was lost; Tarnlet quits\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
    // Nothing may be torn down behind the application's back: leave now.
    ::_exit(1);
}

}  // namespace

SessionEnd::SessionEnd() {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    s_writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { readSignals(); });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kQuitSignals) ::sigaction(signal, &action, nullptr);
}

SessionEnd::~SessionEnd() {
    // Later signals end the process the ordinary way again.
    for (int signal : kQuitSignals) ::signal(signal, SIG_DFL);
    s_writeEnd = -1;
    m_notifier.reset();
    for (int fd : m_pipe)
        if (fd >= 0) ::close(fd);
}

void SessionEnd::readSignals() {
    unsigned char byte = 0;
    while (::read(m_pipe[0], &byte, 1) == 1) m_signal = byte;
    if (m_signal) QCoreApplication::quit();
}

void SessionEnd::armDisplayLoss() {
    // Registered now, after every static object of the program was built, so it runs before their
    // destructors.
    if (!s_exitHandlerInstalled) s_exitHandlerInstalled = std::atexit(onExit) == 0;
    s_displayLossArmed = true;
}

void SessionEnd::disarmDisplayLoss() { s_displayLossArmed = false; }

}  // namespace tarnlet
