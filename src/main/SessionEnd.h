#pragma once
// How a desktop session ends when nobody chose Quit in the menu.
//
// SIGTERM and SIGINT end it cleanly: the signal handler only writes the signal's number into a
// pipe, and Qt's event loop, which watches the pipe, quits; the caller then runs the
// application's termination as after any other quit and returns 0.
//
// The X server going away ends it too. Qt's X11 plugin notices the broken connection and calls
// exit(1) from inside the event loop, which would run the program's static destructors while the
// application, its worker threads and the platform are all still alive. While armed, an exit
// handler registered after every static object catches that: it writes one log line and ends the
// process at once with status 1, before any static object is torn down.
//
// Build after Qt's application object. Main thread only.

#include <memory>

class QSocketNotifier;

namespace tarnlet {

class SessionEnd {
public:
    SessionEnd();
    ~SessionEnd();
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

    // The signal that ended the event loop, or 0.
    int signalReceived() const { return m_signal; }

    // Between these two calls, an exit() from anywhere is taken for the display going away.
    static void armDisplayLoss();
    static void disarmDisplayLoss();

private:
    void readSignals();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_signal = 0;
};

}  // namespace tarnlet
