#include "windows/AutoQuitFeature.h"

#include <algorithm>

#include "diagnostics/Log.h"
#include "settings/Settings.h"
#include "windows/QuitPolicy.h"

namespace tarnlet {

AutoQuitFeature::AutoQuitFeature(Settings& settings, Workspace& workspace, MainQueue& queue, int selfPID)
    : m_settings(settings), m_workspace(workspace), m_queue(queue), m_selfPID(selfPID) {}

AutoQuitFeature::~AutoQuitFeature() = default;

bool AutoQuitFeature::isWatched(const RunningApplication& app) const {
    // Unlike Sweep, an unknown mode falls back to quitting only the listed applications.
    const bool excludeMode = m_settings.string("autoQuit.listMode") == "excludeListed";
    return QuitPolicy::mayQuit(app, m_selfPID, m_settings.autoQuitApps(), excludeMode);
}

void AutoQuitFeature::activate() {
    if (m_isActive) return;
    m_tokens.push_back(m_workspace.observeApplications(
        m_weak.bind([this](WorkspaceEvent event, const RunningApplication& app) { workspaceEvent(event, app); })));
    armBackgrounded();
    m_isActive = true;
}

void AutoQuitFeature::deactivate() {
    if (!m_isActive) return;
    m_tokens.clear();
    m_timers.clear();  // destroying a work item cancels it
    m_isActive = false;
}

void AutoQuitFeature::applySettings() {
    if (!m_isActive) return;
    std::erase_if(m_timers, [&](const auto& entry) {
        const auto app = m_workspace.runningApplication(entry.first);
        return !app || !isWatched(*app);
    });
    armBackgrounded();
}

void AutoQuitFeature::workspaceEvent(WorkspaceEvent event, const RunningApplication& app) {
    switch (event) {
        case WorkspaceEvent::deactivated: arm(app); break;
        case WorkspaceEvent::activated:
        case WorkspaceEvent::terminated: m_timers.erase(app.pid); break;
        default: break;
    }
}

void AutoQuitFeature::arm(const RunningApplication& app) {
    if (!isWatched(app)) return;
    // The notification's snapshot may be stale: the front is asked afresh.
    if (m_workspace.frontmostApplicationPID() == app.pid) return;
    const double seconds = static_cast<double>(m_settings.autoQuitMinutes()) * 60;
    const int pid = app.pid;
    m_timers[pid] = m_queue.postAfter(seconds, m_weak.bind([this, pid] { fire(pid); }));
}

void AutoQuitFeature::fire(int pid) {
    m_timers.erase(pid);
    const auto app = m_workspace.runningApplication(pid);
    if (!app || !isWatched(*app) || m_workspace.frontmostApplicationPID() == pid) return;
    Log::info("AutoQuit: quitting " + app->localizedName.value_or("unknown") + " after " +
              std::to_string(m_settings.autoQuitMinutes()) + "m idle");
    m_workspace.terminate(pid);
}

void AutoQuitFeature::armBackgrounded() {
    for (const RunningApplication& app : m_workspace.runningApplications())
        if (!m_timers.count(app.pid)) arm(app);
}

}  // namespace tarnlet
