#pragma once
// The one simulated world: every platform service of a desktop session, in memory, on a virtual
// clock. Tests and `tarnlet --simulate` build one, hand platform() to the application core and
// drive the world through the sub-models. Files are real: the sandbox home is a real folder.

#include <filesystem>
#include <memory>

#include "platform/Platform.h"
#include "platform/host/PangoTextMeasurer.h"
#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimApplications.h"
#include "platform/sim/SimColorSampler.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimHaptics.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimInputIdle.h"
#include "platform/sim/SimKeyboard.h"
#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimMouse.h"
#include "platform/sim/SimNotices.h"
#include "platform/sim/SimPanels.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimPermissions.h"
#include "platform/sim/SimPowerAssertions.h"
#include "platform/sim/SimPowerSources.h"
#include "platform/sim/SimScreens.h"
#include "platform/sim/SimStatusBar.h"
#include "platform/sim/SimSystemFacts.h"
#include "platform/sim/SimSystemLog.h"
#include "platform/sim/SimTaskQueues.h"
#include "platform/sim/SimVolumes.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorkspace.h"

namespace tarnlet::sim {

class SimDesktop {
public:
    // Virtual time zero: 2026-01-01 09:00:00 UTC, so transcripts and log files are repeatable.
    static constexpr double kDefaultWallStart = 1767258000.0;

    explicit SimDesktop(std::filesystem::path home, double wallStart = kDefaultWallStart);
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    Platform& platform() { return m_platform; }

    SimMainQueue& queue() { return m_queue; }
    SimTaskQueues& taskQueues() { return m_taskQueues; }
    SimDefaults& defaults() { return m_defaults; }
    SimApplications& applications() { return m_applications; }
    SimHotKeys& hotKeys() { return m_hotKeys; }
    SimKeyboard& keyboard() { return m_keyboard; }
    SimMouse& mouse() { return m_mouse; }
    SimFolders& folders() { return m_folders; }
    SimNotices& notices() { return m_notices; }
    SimPermissions& permissions() { return m_permissions; }
    SimPanels& panels() { return m_panels; }
    SimPasteboard& pasteboard() { return m_pasteboard; }
    SimPowerSources& powerSources() { return m_powerSources; }
    SimScreens& screens() { return m_screens; }
    SimSystemFacts& systemFacts() { return m_systemFacts; }
    SimSystemLog& systemLog() { return m_systemLog; }
    SimWorkspace& workspace() { return m_workspace; }
    SimWindowServer& windowServer() { return m_windowServer; }
    SimAlerts& alerts() { return m_alerts; }
    SimHaptics& haptics() { return m_haptics; }
    SimInputIdle& inputIdle() { return m_inputIdle; }
    SimPowerAssertions& powerAssertions() { return m_powerAssertions; }
    SimStatusBar& statusBar() { return m_statusBar; }
    SimVolumes& volumes() { return m_volumes; }
    SimColorSampler& colorSampler() { return m_colorSampler; }

    // The computer sleeps for that long and wakes: the wall clock moves on, the monotonic clock
    // does not, and the wake is announced.
    void sleepFor(double seconds);

    void advanceBy(double seconds) { m_queue.advanceBy(seconds); }
    void runUntilIdle() { m_queue.runUntilIdle(); }

private:
    SimMainQueue m_queue;
    SimTaskQueues m_taskQueues;
    SimDefaults m_defaults;
    SimFolders m_folders;
    SimNotices m_notices;
    SimPermissions m_permissions;
    SimHotKeys m_hotKeys;
    SimPasteboard m_pasteboard;
    SimKeyboard m_keyboard;
    SimPanels m_panels;
    SimPowerSources m_powerSources;
    SimScreens m_screens;
    SimSystemFacts m_systemFacts;
    SimSystemLog m_systemLog;
    // Text is measured by the real measurer: it needs no desktop session.
    host::PangoTextMeasurer m_textMeasurer;
    SimWorkspace m_workspace;
    SimWindowServer m_windowServer;
    SimApplications m_applications;
    SimMouse m_mouse;
    SimAlerts m_alerts;
    SimHaptics m_haptics;
    SimInputIdle m_inputIdle;
    SimPowerAssertions m_powerAssertions;
    SimStatusBar m_statusBar;
    SimVolumes m_volumes;
    SimColorSampler m_colorSampler;
    Platform m_platform;
};

}  // namespace tarnlet::sim
