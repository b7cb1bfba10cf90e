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
      m_platform{m_queue,     m_applications, m_taskQueues, m_defaults,     m_keyboard,  m_hotKeys,
                 m_mouse,     m_folders,      m_notices,    m_permissions,  m_panels,    m_pasteboard,
                 m_powerSources, m_screens,   m_systemFacts, m_systemLog,   m_textMeasurer, m_workspace,
                 m_windowServer, m_alerts,    m_haptics,    m_inputIdle,    m_powerAssertions, m_statusBar,
                 m_volumes,   m_colorSampler} {
    m_keyboard.onHardwareEvent = [this](EventType type) { m_inputIdle.record(type); };
    m_mouse.onHardwareEvent = [this](EventType type) { m_inputIdle.record(type); };
}

void SimDesktop::sleepFor(double seconds) {
    m_queue.sleepFor(seconds);
    m_workspace.wake();
}

}  // namespace tarnlet::sim
