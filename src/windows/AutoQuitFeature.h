#pragma once
// Auto-Quit: a regular application that leaves the front starts a timer of "autoQuit.minutes"
// (at least one); still in the background when it fires, the application is asked to quit the
// ordinary way, so unsaved documents still prompt. Coming back to it, or its quitting, drops the
// timer. Only applications the list lets through are timed — by default none, as the list in
// force starts empty in "onlyListed" mode. Main thread only; timers are main-queue work items.

#include <map>
#include <memory>
#include <vector>

#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/MainQueue.h"
#include "platform/Workspace.h"

namespace tarnlet {

class Settings;

class AutoQuitFeature : public Feature {
public:
    AutoQuitFeature(Settings& settings, Workspace& workspace, MainQueue& queue, int selfPID);
    ~AutoQuitFeature() override;
    AutoQuitFeature(const AutoQuitFeature&) = delete;
    AutoQuitFeature& operator=(const AutoQuitFeature&) = delete;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;
    // After any settings change: drops the timers the rule no longer allows and arms the rest.
    void applySettings() override;

    bool isWatched(const RunningApplication& app) const;
    bool hasTimer(int pid) const { return m_timers.count(pid) > 0; }

private:
    void arm(const RunningApplication& app);
    void fire(int pid);
    void armBackgrounded();
    void workspaceEvent(WorkspaceEvent event, const RunningApplication& app);

    Settings& m_settings;
    Workspace& m_workspace;
    MainQueue& m_queue;
    const int m_selfPID;
    std::vector<Subscription> m_tokens;
    std::map<int, WorkItem> m_timers;
    bool m_isActive = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
