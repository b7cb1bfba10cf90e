#include "windows/WindowObserver.h"

#include "diagnostics/Log.h"

namespace tarnlet {

namespace {

const std::string kDestroyed = "AXUIElementDestroyed";
const std::string kWindowCreated = "AXWindowCreated";

std::string errorCode(AXError error) { return std::to_string(static_cast<int>(error)); }

}  // namespace

WindowObserver::WindowObserver(Accessibility& accessibility, MainQueue& queue, int pid, SweepStrategy strategy,
                               std::vector<std::string> extraTriggers)
    : m_accessibility(accessibility),
      m_queue(queue),
      m_pid(pid),
      m_strategy(strategy),
      m_extraTriggers(std::move(extraTriggers)),
      m_applicationElement(accessibility.createApplication(pid)) {
    m_accessibility.setMessagingTimeout(m_applicationElement, kMessagingTimeout);
}

bool WindowObserver::registerNotification(AXObserver& observer, const AXElement& element, const std::string& name) {
    const AXError error = observer.addNotification(element, name);
    if (error == AXError::success || error == AXError::notificationAlreadyRegistered) return true;
    Log::debug([&] { return "pid " + std::to_string(m_pid) + ": " + name + " failed (" + errorCode(error) + ")"; });
    return false;
}

void WindowObserver::attemptStart() {
    m_pendingRetry.cancel();
    std::unique_ptr<AXObserver> observer;
    const AXError created = m_accessibility.createObserver(
        m_pid, m_weak.bind([this](const AXElement& element, const std::string& name) { handle(element, name); }),
        observer);
    if (created != AXError::success || !observer) {
        scheduleRetry();
        return;
    }

    bool destroyRegistered = false;
    if (m_strategy == SweepStrategy::thorough)
        destroyRegistered = registerNotification(*observer, m_applicationElement, kDestroyed);

    std::vector<std::string> names{"AXFocusedWindowChanged", "AXMainWindowChanged", kWindowCreated};
    names.insert(names.end(), m_extraTriggers.begin(), m_extraTriggers.end());
    bool anyRegistered = false;
    for (const std::string& name : names)
        if (registerNotification(*observer, m_applicationElement, name)) anyRegistered = true;

    if (!anyRegistered && !destroyRegistered) {
        Log::debug([&] {
            return "pid " + std::to_string(m_pid) + ": AX not ready (" + std::string(sweepStrategyName(m_strategy)) +
                   "), retrying";
        });
        scheduleRetry();
        return;
    }

    // Replacing a running observer drops the old one, so events are never heard twice.
    m_observer = std::move(observer);
    if (m_strategy == SweepStrategy::efficient) registerDestroyOnWindows();
    Log::debug([&] {
        return "pid " + std::to_string(m_pid) + ": observer active (" + std::string(sweepStrategyName(m_strategy)) + ")";
    });
    // The owner may invalidate or destroy this observer from the callback.
    if (onStarted) {
        const auto started = onStarted;
        started();
    }
}

void WindowObserver::registerDestroyOnWindows() {
    AXValue value;
    if (m_accessibility.copyAttribute(m_applicationElement, "AXWindows", value) != AXError::success) return;
    const auto* windows = std::get_if<std::vector<AXElement>>(&value);
    if (!windows) return;
    for (const AXElement& window : *windows) registerNotification(*m_observer, window, kDestroyed);
}

void WindowObserver::refreshWindowNotifications() {
    if (m_observer && m_strategy == SweepStrategy::efficient) registerDestroyOnWindows();
}

void WindowObserver::scheduleRetry() {
    if (m_pendingRetry.isPending()) return;
    if (m_retryAttempt >= static_cast<int>(kRetryDelays.size())) {
        Log::error("Giving up on pid " + std::to_string(m_pid) + " until its next activation: app not accessible");
        return;
    }
    const double delay = kRetryDelays[static_cast<std::size_t>(m_retryAttempt)];
    ++m_retryAttempt;
    m_pendingRetry = m_queue.postAfter(delay, m_weak.bind([this] { attemptStart(); }));
}

void WindowObserver::handle(const AXElement& element, const std::string& notification) {
    if (!m_observer) return;
    if (m_strategy == SweepStrategy::efficient && notification == kWindowCreated)
        registerNotification(*m_observer, element, kDestroyed);
    Log::debug([&] { return "pid " + std::to_string(m_pid) + ": AX event " + notification; });
    // The callback may invalidate this observer; call a copy.
    if (const auto callback = onWindowsChanged) callback();
}

void WindowObserver::invalidate() {
    m_pendingRetry.cancel();
    m_observer.reset();
    onWindowsChanged = nullptr;
    onStarted = nullptr;
}

}  // namespace tarnlet
