#pragma once
// Sweep: an ordinary application is asked to quit as soon as its last window closes. Every regular
// application the user's list lets through is watched through a WindowObserver; each window event
// starts (or restarts) a short delay, after which the application's windows are counted again on
// a background queue — through accessibility, on other desktops and on screen — and only when every
// count that could be taken agrees that nothing is left is the application asked to quit, the
// ordinary way, so unsaved documents still prompt. Never quit: the file manager, applications
// without a bundle identifier, hidden ones, ones that never showed a window while watched, and (by
// default) ones that turned themselves into background agents.
//
// Main thread only; the counting runs on the census queue and its result comes back to the main
// queue, where the decision checks again what may have changed meanwhile. On the census queue the
// counting reads windows through the accessibility interface (copyAttribute only, as that
// interface's threading contract allows) and through the window server.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Feature.h"
#include "base/Image.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/MainQueue.h"
#include "platform/Workspace.h"
#include "windows/SweepStrategy.h"
#include "windows/WindowObserver.h"

namespace tarnlet {

class Accessibility;
class SerialQueue;
class Settings;
class TaskQueues;
class WindowServer;
class WindowSpaces;

class SweepEngine : public Feature {
public:
    static constexpr const char* kCensusQueueLabel = "app.tarnletapp.Tarnlet.sweep.census";

    struct Services {
        Workspace& workspace;
        Accessibility& accessibility;
        const WindowServer& windowServer;
        const WindowSpaces& spaces;
        MainQueue& queue;
        TaskQueues& taskQueues;
        int selfPID;
    };

    struct Watched {
        RunningApplication app;
        std::unique_ptr<WindowObserver> observer;
        bool hasHadWindow = false;
    };

    SweepEngine(Settings& settings, Services services);
    ~SweepEngine() override;
    SweepEngine(const SweepEngine&) = delete;
    SweepEngine& operator=(const SweepEngine&) = delete;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;
    // After any settings change: a new strategy rebuilds every observer; the list decides anew who
    // is watched.
    void syncWatchList();
    void applySettings() override { syncWatchList(); }

    bool shouldWatch(const RunningApplication& app) const;
    bool isWatched(int pid) const { return m_watched.count(pid) > 0; }
    const Watched* watched(int pid) const;
    bool hasPendingCheck(int pid) const { return m_pendingQuits.count(pid) > 0; }
    SweepStrategy activeStrategy() const { return m_activeStrategy; }

    // The accessibility window count of a watched application could not be read.
    std::function<void()> onAccessibilityFailure;
    // Sweep has just asked an application to quit.
    std::function<void(const std::string& name, const std::optional<Image>& icon)> onAppQuit;

private:
    struct Counts {
        std::optional<int> ax, other, onscreen;
    };

    SweepStrategy strategySetting() const;
    bool excludeMode() const;
    void watch(const RunningApplication& app);
    void unwatch(int pid);
    void handleActivation(const RunningApplication& app);
    // Counts the windows an application already has when its observer starts, so that one whose
    // window was open before watching began counts as having shown it.
    void recordOpenWindows(int pid);
    void scheduleQuitCheck(int pid);
    void quitIfWindowless(int pid);
    void decideQuit(int pid, const Counts& counts);
    void workspaceEvent(WorkspaceEvent event, const RunningApplication& app);

    Settings& m_settings;
    Services m_services;
    std::map<int, Watched> m_watched;
    std::map<int, WorkItem> m_pendingQuits;
    std::vector<Subscription> m_workspaceTokens;
    std::unique_ptr<SerialQueue> m_censusQueue;
    SweepStrategy m_activeStrategy = SweepStrategy::efficient;
    bool m_isActive = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
