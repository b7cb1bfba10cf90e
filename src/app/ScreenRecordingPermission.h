#pragma once
// The screen-recording grant as it stood at launch. A grant that appears later takes effect only
// after a relaunch, which is what the text recognition compares against. Main thread only.

namespace tarnlet {

class Permissions;
class Workspace;

class ScreenRecordingPermission {
public:
    static constexpr const char* kSettingsURL =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";

    ScreenRecordingPermission(Permissions& permissions, Workspace& workspace)
        : m_permissions(permissions), m_workspace(workspace) {}

    // Records the grant once per process; later calls keep the first reading.
    void takeSnapshot();
    bool grantedAtLaunch() const { return m_grantedAtLaunch; }
    bool didSnapshot() const { return m_didSnapshot; }
    bool isGrantedNow() const;

    bool restartPromptDismissed() const { return m_restartPromptDismissed; }
    void dismissRestartPrompt() { m_restartPromptDismissed = true; }

    // Starts a fresh instance of the application, which reads the new grant, and quits this one once
    // the new instance is up; a failed launch leaves this process running.
    void relaunch();
    void openSystemSettings();

private:
    Permissions& m_permissions;
    Workspace& m_workspace;
    bool m_grantedAtLaunch = false;
    bool m_didSnapshot = false;
    bool m_restartPromptDismissed = false;
};

}  // namespace tarnlet
