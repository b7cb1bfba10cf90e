#pragma once
// Hears one application's windows come, go and take focus through an accessibility observer.
// An application that is not accessible yet (it is still launching) is retried after 0.5, 1, 2, 4,
// 8, 16 and 30 seconds; after that the observer gives up until its owner starts it again, which the
// owner does when the application is next activated.
//
//     auto observer = std::make_unique<WindowObserver>(ax, queue, pid, SweepStrategy::efficient);
//     observer->onWindowsChanged = [this] { recount(); };
//     observer->attemptStart();
//
// Threading: main thread only; events and retries arrive on the main queue.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/WeakToken.h"
#include "platform/Accessibility.h"
#include "platform/MainQueue.h"
#include "windows/SweepStrategy.h"

namespace tarnlet {

class WindowObserver {
public:
    static constexpr double kMessagingTimeout = 1.0;
    static constexpr std::array<double, 7> kRetryDelays{0.5, 1.0, 2.0, 4.0, 8.0, 16.0, 30.0};

    WindowObserver(Accessibility& accessibility, MainQueue& queue, int pid, SweepStrategy strategy,
                   std::vector<std::string> extraTriggers = {});
    WindowObserver(const WindowObserver&) = delete;
    WindowObserver& operator=(const WindowObserver&) = delete;

    // Creates the observer and registers its notifications; schedules a retry when the application
    // does not let any be registered.
    void attemptStart();
    // Stops: no retry, no more events, and the callback is dropped.
    void invalidate();
    // Registers the destroy notification again on every current window (efficient strategy only),
    // for windows that might have been missed while the observer was not listening.
    void refreshWindowNotifications();
    // Lets the next failed start walk the whole retry ladder again.
    void resetRetries() { m_retryAttempt = 0; }

    // Called after every accessibility event received.
    std::function<void()> onWindowsChanged;
    // Called each time the observer starts listening (its first attempt or a retry succeeded).
    std::function<void()> onStarted;

    int pid() const { return m_pid; }
    SweepStrategy strategy() const { return m_strategy; }
    const std::vector<std::string>& extraTriggers() const { return m_extraTriggers; }
    const AXElement& applicationElement() const { return m_applicationElement; }
    // Whether an observer is running.
    bool isObserving() const { return m_observer != nullptr; }
    bool hasPendingRetry() const { return m_pendingRetry.isPending(); }
    int retryAttempt() const { return m_retryAttempt; }

private:
    void scheduleRetry();
    void handle(const AXElement& element, const std::string& notification);
    // Registers on `element`; true on success or when it was registered already, otherwise logs the
    // failure.
    bool registerNotification(AXObserver& observer, const AXElement& element, const std::string& name);
    void registerDestroyOnWindows();

    Accessibility& m_accessibility;
    MainQueue& m_queue;
    int m_pid;
    SweepStrategy m_strategy;
    std::vector<std::string> m_extraTriggers;
    AXElement m_applicationElement;
    std::unique_ptr<AXObserver> m_observer;
    WorkItem m_pendingRetry;
    int m_retryAttempt = 0;
    WeakFactory m_weak;
};

}  // namespace tarnlet
