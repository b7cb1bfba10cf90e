#include "platform/sim/SimDesktop.h"

namespace tarnlet::sim {

SimDesktop::SimDesktop(std::filesystem::path home, double wallStart)
    : m_queue(wallStart),
      m_taskQueues(m_queue),
      m_folders(std::move(home)),
      m_permissions(m_queue),
      m_keyboard(m_queue, m_permissions, m_hotKeys, m_pasteboard),
      m_panels(m_queue),
      m_powerSources(m_queue),
      m_screens(m_queue),
      m_workspace(m_queue),
      m_applications(m_workspace, m_screens, m_permissions, m_queue, m_windowServer),
      m_mouse(m_permissions, m_panels, m_applications, m_screens),
      m_inputIdle(m_queue),
      m_powerAssertions(SimSystemFacts::kProcessIdentifier),
      m_volumes(m_queue),
      m_colorSampler(m_queue),
      m_platform{.mainQueue = m_queue,
                 .accessibility = m_applications,
                 .taskQueues = m_taskQueues,
                 .defaults = m_defaults,
                 .eventTaps = m_keyboard,
                 .hotKeys = m_hotKeys,
                 .mouse = m_mouse,
                 .folders = m_folders,
                 .notices = m_notices,
                 .permissions = m_permissions,
                 .panels = m_panels,
                 .pasteboard = m_pasteboard,
                 .powerSources = m_powerSources,
                 .screens = m_screens,
                 .systemFacts = m_systemFacts,
                 .systemLog = m_systemLog,
                 .textMeasurer = m_textMeasurer,
                 .workspace = m_workspace,
                 .windowServer = m_windowServer,
                 .alerts = m_alerts,
                 .haptics = m_haptics,
                 .inputIdle = m_inputIdle,
                 .powerAssertions = m_powerAssertions,
                 .statusBar = m_statusBar,
                 .volumes = m_volumes,
                 .colorSampler = m_colorSampler} {
    m_keyboard.onHardwareEvent = [this](EventType type) { m_inputIdle.record(type); };
    m_mouse.onHardwareEvent = [this](EventType type) { m_inputIdle.record(type); };
}

void SimDesktop::sleepFor(double seconds) {
    m_queue.sleepFor(seconds);
    m_workspace.wake();
}

}  // namespace tarnlet::sim
