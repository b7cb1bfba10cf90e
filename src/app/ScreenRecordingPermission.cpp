#include "app/ScreenRecordingPermission.h"

#include "platform/Permissions.h"
#include "platform/Workspace.h"

namespace tarnlet {

void ScreenRecordingPermission::takeSnapshot() {
    if (m_didSnapshot) return;
    m_grantedAtLaunch = m_permissions.preflightScreenCapture();
    m_didSnapshot = true;
}

bool ScreenRecordingPermission::isGrantedNow() const { return m_permissions.preflightScreenCapture(); }

void ScreenRecordingPermission::relaunch() {
    Workspace* workspace = &m_workspace;
    m_workspace.launchNewInstanceOfSelf([workspace](bool launched) {
        if (launched) workspace->terminateSelf();
    });
}

void ScreenRecordingPermission::openSystemSettings() { m_workspace.openURL(kSettingsURL); }

}  // namespace tarnlet
