#include "windows/SweepEngine.h"

#include "diagnostics/Log.h"
#include "platform/TaskQueue.h"
#include "settings/Settings.h"
#include "windows/QuitPolicy.h"
#include "windows/WindowCensus.h"

namespace tarnlet {

namespace {

std::string countText(const std::optional<int>& count) { return count ? std::to_string(*count) : "nil"; }

}  // namespace

SweepEngine::SweepEngine(Settings& settings, Services services)
    : m_settings(settings),
      m_services(services),
      m_censusQueue(services.taskQueues.makeSerialQueue(kCensusQueueLabel)) {}

SweepEngine::~SweepEngine() {
    for (auto& [pid, watched] : m_watched) watched.observer->invalidate();
}

SweepStrategy SweepEngine::strategySetting() const {
    return m_settings.string("sweep.strategy") == "thorough" ? SweepStrategy::thorough : SweepStrategy::efficient;
}

bool SweepEngine::excludeMode() const {
    // A missing or unknown mode means every application but the listed ones.
    return m_settings.string("sweep.listMode") != "onlyListed";
}

bool SweepEngine::shouldWatch(const RunningApplication& app) const {
    return QuitPolicy::mayQuit(app, m_services.selfPID, m_settings.listedApps(), excludeMode());
}

const SweepEngine::Watched* SweepEngine::watched(int pid) const {
    const auto it = m_watched.find(pid);
    return it == m_watched.end() ? nullptr : &it->second;
}

void SweepEngine::activate() {
    if (m_isActive) return;
    m_isActive = true;
    m_activeStrategy = strategySetting();
    m_workspaceTokens.push_back(m_services.workspace.observeApplications(
        m_weak.bind([this](WorkspaceEvent event, const RunningApplication& app) { workspaceEvent(event, app); })));
    for (const RunningApplication& app : m_services.workspace.runningApplications())
        if (shouldWatch(app)) watch(app);
    Log::debug([&] {
        return "Sweep activated (" + std::string(sweepStrategyName(m_activeStrategy)) + "), watching " +
               std::to_string(m_watched.size()) + " apps";
    });
}

void SweepEngine::deactivate() {
    if (!m_isActive) return;
    m_isActive = false;
    m_workspaceTokens.clear();
    m_pendingQuits.clear();
    for (auto& [pid, watched] : m_watched) watched.observer->invalidate();
    m_watched.clear();
    Log::debug("Sweep deactivated");
}

void SweepEngine::syncWatchList() {
    if (!m_isActive) return;
    const SweepStrategy strategy = strategySetting();
    if (strategy != m_activeStrategy) {
        Log::debug([&] { return "Sweep strategy → " + std::string(sweepStrategyName(strategy)) + ", rebuilding observers"; });
        m_pendingQuits.clear();
        for (auto& [pid, watched] : m_watched) watched.observer->invalidate();
        m_watched.clear();
        m_activeStrategy = strategy;
    }
    std::vector<int> leaving;
    for (const auto& [pid, watched] : m_watched)
        if (!shouldWatch(watched.app)) leaving.push_back(pid);
    for (const int pid : leaving) unwatch(pid);
    for (const RunningApplication& app : m_services.workspace.runningApplications())
        if (shouldWatch(app) && !isWatched(app.pid)) watch(app);
}

void SweepEngine::watch(const RunningApplication& app) {
    if (isWatched(app.pid)) return;
    auto observer = std::make_unique<WindowObserver>(m_services.accessibility, m_services.queue, app.pid, m_activeStrategy);
    const int pid = app.pid;
    observer->onWindowsChanged = m_weak.bind([this, pid] { scheduleQuitCheck(pid); });
    observer->onStarted = m_weak.bind([this, pid] { recordOpenWindows(pid); });
    WindowObserver& started = *observer;
    m_watched[pid] = Watched{app, std::move(observer), false};
    Log::debug([&] { return "Watching " + app.localizedName.value_or("?") + " (pid " + std::to_string(pid) + ")"; });
    started.attemptStart();
}

void SweepEngine::unwatch(int pid) {
    m_pendingQuits.erase(pid);
    const auto it = m_watched.find(pid);
    if (it == m_watched.end()) return;
    it->second.observer->invalidate();
    m_watched.erase(it);
}

void SweepEngine::workspaceEvent(WorkspaceEvent event, const RunningApplication& app) {
    switch (event) {
        case WorkspaceEvent::launched:
            if (shouldWatch(app)) watch(app);
            break;
        case WorkspaceEvent::terminated: unwatch(app.pid); break;
        case WorkspaceEvent::activated: handleActivation(app); break;
        default: break;
    }
}

void SweepEngine::handleActivation(const RunningApplication& app) {
    m_pendingQuits.erase(app.pid);  // the user is back in it
    if (const auto it = m_watched.find(app.pid); it != m_watched.end()) {
        it->second.app = app;
        WindowObserver& observer = *it->second.observer;
        if (observer.isObserving()) {
            observer.refreshWindowNotifications();
        } else if (!observer.hasPendingRetry()) {
            // The observer gave up on an application that was not accessible yet: this is its next
            // activation.
            observer.resetRetries();
            observer.attemptStart();
        }
        return;
    }
    if (shouldWatch(app)) watch(app);
}

void SweepEngine::recordOpenWindows(int pid) {
    const auto it = m_watched.find(pid);
    if (it == m_watched.end() || it->second.hasHadWindow) return;
    Accessibility* accessibility = &m_services.accessibility;
    const AXElement element = it->second.observer->applicationElement();
    // Only recorded, never acted on: a quit needs a window event to start its check.
    m_censusQueue->postTaskAndReply<std::optional<int>>(
        m_weak.token(), [accessibility, element] { return WindowCensus::keepAliveWindowCount(*accessibility, element); },
        [this, pid](std::optional<int> count) {
            const auto watched = m_watched.find(pid);
            if (watched != m_watched.end() && count && *count > 0) watched->second.hasHadWindow = true;
        });
}

void SweepEngine::scheduleQuitCheck(int pid) {
    m_pendingQuits[pid] = m_services.queue.postAfter(m_settings.quitDelay(), m_weak.bind([this, pid] {
        m_pendingQuits.erase(pid);
        quitIfWindowless(pid);
    }));
}

void SweepEngine::quitIfWindowless(int pid) {
    const auto app = m_services.workspace.runningApplication(pid);
    const auto it = m_watched.find(pid);
    if (!app || app->isTerminated || app->isHidden || it == m_watched.end()) return;
    // The counting touches no engine state: it gets copies and its result comes back to the main
    // queue.
    Accessibility* accessibility = &m_services.accessibility;
    const WindowServer* server = &m_services.windowServer;
    const WindowSpaces* spaces = &m_services.spaces;
    const AXElement element = it->second.observer->applicationElement();
    m_censusQueue->postTaskAndReply<Counts>(
        m_weak.token(),
        [accessibility, server, spaces, element, pid] {
            Counts counts;
            counts.ax = WindowCensus::keepAliveWindowCount(*accessibility, element);
            if (counts.ax == 0) {
                counts.other = WindowCensus::otherSpaceWindowCount(*server, *spaces, pid);
                counts.onscreen = WindowCensus::onScreenWindowCount(*server, pid);
            }
            return counts;
        },
        [this, pid](Counts counts) { decideQuit(pid, counts); });
}

void SweepEngine::decideQuit(int pid, const Counts& counts) {
    const auto app = m_services.workspace.runningApplication(pid);
    if (!m_isActive || !app || app->isTerminated || !isWatched(pid) || app->isHidden) return;
    if (!counts.ax && onAccessibilityFailure) {
        onAccessibilityFailure();
        // The permission may have gone, and Sweep been stopped, meanwhile.
        if (!m_isActive || !isWatched(pid)) return;
    }
    const auto it = m_watched.find(pid);
    const bool hadWindowBefore = it->second.hasHadWindow;
    if (counts.ax && *counts.ax > 0) it->second.hasHadWindow = true;
    Log::debug([&] {
        return "Check " + app->localizedName.value_or("?") + ": ax=" + countText(counts.ax) +
               " other=" + countText(counts.other) + " onscreen=" + countText(counts.onscreen);
    });
    if (!app->bundleIdentifier || app->isFileManager) return;
    // An application that never showed a window while watched is left alone.
    if (!hadWindowBefore) return;
    if (counts.ax != 0 || counts.other.value_or(0) >= 1 || counts.onscreen.value_or(0) >= 1) return;
    if (app->activationPolicy != ActivationPolicy::regular && m_settings.boolean("sweep.keepSelfBackgrounded")) return;
    if (!QuitPolicy::listAllows(*app->bundleIdentifier, m_settings.listedApps(), excludeMode())) return;

    const std::string name = app->localizedName.value_or("unknown");
    Log::info("Quitting " + name + " (" + app->bundleIdentifier.value_or("?") + ")");
    Log::debug([&] { return "Quitting " + name + " (" + *app->bundleIdentifier + ")"; });
    const std::optional<Image> icon = app->icon;
    m_services.workspace.terminate(pid);
    if (onAppQuit) onAppQuit(name, icon);
}

}  // namespace tarnlet
