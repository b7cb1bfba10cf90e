#pragma once
// The application object. It owns every long-lived object of the process, runs the start-up
// sequence, and switches tools on and off in reconcile(), the one place where that happens: at
// start, after every settings change, after every accessibility change and after every wake. Each
// tool's objects and wiring live in its unit under app/tools/; the application walks them in the
// order of the feature table. Tools are built on first use and never destroyed before quit.
//
// Main thread only. Every handler it installs holds it weakly.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AccessibilityPermission.h"
#include "app/FeatureTable.h"
#include "app/NotchPort.h"
#include "app/Notifier.h"
#include "app/ScreenRecordingPermission.h"
#include "app/tools/Tool.h"
#include "app/tools/ToolContext.h"
#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "keys/FeatureChords.h"
#include "keys/HotKeyWatcher.h"
#include "keys/LeaderWatcher.h"
#include "keys/ModifierWatcher.h"
#include "notch/NotchStage.h"
#include "platform/AppFiles.h"
#include "platform/Platform.h"
#include "platform/SystemFacts.h"
#include "settings/Settings.h"
#include "shared/BatteryMonitor.h"
#include "shared/DragWatcher.h"
#include "ui/StatusMenuController.h"

namespace tarnlet {

class NotchFeature;

class AppDelegate {
public:
    enum class Appearance { aqua, darkAqua };

    // Supplies the tool object of a pane; none means the application's own. Tests pass probe tools.
    using FeatureProvider = std::function<Feature*(SettingsPane)>;

    struct Options {
        // The crash recorder is process-wide; tests that build many application objects leave it.
        bool installCrashReporter = true;
        FeatureProvider features;
    };

    static constexpr const char* kSuiteNameFallback = "Tarnlet";
    // The notices the application posts itself, naming the desktop in its own words.
    static Notice accessibilityLostNotice(const DesktopWords& words);
    static Notice spacesUnavailableNotice(const DesktopWords& words);

    AppDelegate(Platform& platform, Options options);
    explicit AppDelegate(Platform& platform) : AppDelegate(platform, Options{}) {}
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching(const std::vector<std::string>& arguments);
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void applicationWillTerminate();

    void reconcile();
    bool needsAccessibilityNow();
    void reportFeatureToggles();
    void warnIfSpacesUnavailable();
    void runFeatureKey(FeatureChords::Key key);
    void showSettingsWindow();

    // "--appearance VALUE": dark selects the dark appearance, any other value the light one; the
    // option without a value changes nothing.
    static std::optional<Appearance> appearanceFromArguments(const std::vector<std::string>& arguments);

    // The caption of the hint strip for a leader.
    static std::string hintCaption(Leader leader);

    // The wiring unit of a tool of this build; asking for one the build lacks is a programming
    // error.
    template <class T>
    T& tool() {
        for (const auto& tool : m_tools)
            if (auto* found = dynamic_cast<T*>(tool.get())) return *found;
        std::fputs("tarnlet: a tool this build lacks was asked for\n", stderr);
        std::abort();
    }
    // The wiring unit of a pane's tool, if this build has one.
    Tool* tool(SettingsPane pane);

    Settings& settings() { return m_settings; }
    ModifierWatcher& modifiers() { return m_modifiers; }
    HotKeyWatcher& hotKeys() { return m_hotKeys; }
    DragWatcher& drags() { return m_drags; }
    BatteryMonitor& battery() { return m_battery; }
    LeaderWatcher& leaderKeys() { return m_leaderKeys; }
    FeatureChords& featureChords() { return m_featureChords; }
    StatusMenuController& statusMenu() { return m_statusMenu; }
    NotchStage& notchStage() { return m_notchStage; }
    NotchFeature& notch() { return m_notch.feature(); }
    // The caption of the hint strip on screen, if any.
    std::optional<std::string> leaderHintCaption();
    AccessibilityPermission& permission() { return m_permission; }
    ScreenRecordingPermission& screenRecording() { return m_screenRecording; }
    Notifier& notifier() { return m_notifier; }
    const AppFiles& appFiles() const { return m_appFiles; }
    std::optional<Appearance> appearance() const { return m_appearance; }
    const std::map<std::string, bool>& featureStates() const { return m_featureStates; }
    bool warnedSpacesUnavailable() const { return m_warnedSpacesUnavailable; }
    int settingsWindowShowCount() const { return m_settingsWindowShowCount; }

    // Called whenever the settings window is asked to show (the window itself comes later).
    std::function<void()> onSettingsWindowShown;

private:
    struct Row {
        FeatureRow row;
        Feature* feature;
    };
    const std::vector<Row>& features();
    Feature* feature(SettingsPane pane);
    Tool* toolForKey(FeatureChords::Key key);
    void accessibilityChanged(bool granted);

    Platform& m_platform;
    Options m_options;
    Settings m_settings;
    AccessibilityPermission m_permission;
    ScreenRecordingPermission m_screenRecording;
    Notifier m_notifier;
    AppFiles m_appFiles;
    ModifierWatcher m_modifiers;
    HotKeyWatcher m_hotKeys;
    DragWatcher m_drags;
    BatteryMonitor m_battery;
    NotchStage m_notchStage;
    NotchPort m_notch;
    LeaderWatcher m_leaderKeys;
    FeatureChords m_featureChords;
    StatusMenuController m_statusMenu;
    ToolContext m_context;
    // One per pane with a tool in this build, in the order of the feature table.
    std::vector<std::unique_ptr<Tool>> m_tools;
    std::map<SettingsPane, Tool*> m_toolsByPane;
    std::optional<std::vector<Row>> m_features;
    bool m_warnedSpacesUnavailable = false;
    std::map<std::string, bool> m_featureStates;
    std::optional<Appearance> m_appearance;
    int m_settingsWindowShowCount = 0;
    bool m_launched = false;
    std::optional<Uuid> m_settingsObserver;
    Subscription m_screenObserver;
    Subscription m_wakeObserver;
    WeakFactory m_weak;
};

}  // namespace tarnlet
