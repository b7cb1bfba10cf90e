#pragma once
// The application object. It owns every long-lived object of the process, runs the start-up
// sequence, wires the tools' callbacks, and switches tools on and off in reconcile(), the one place
// where that happens: at start, after every settings change, after every accessibility change and
// after every wake. Tools are built on first use and never destroyed before quit.
//
// Main thread only. Every handler it installs holds it weakly.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AccessibilityPermission.h"
#include "app/BackupOperations.h"
#include "app/FeatureTable.h"
#include "app/Notifier.h"
#include "app/ScreenRecordingPermission.h"
#include "base/Feature.h"
#include "clipboard/ClipboardFeature.h"
#include "clipboard/ColorPickerFeature.h"
#include "clipboard/SnippetsFeature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "keys/FeatureChords.h"
#include "keys/HotKeyWatcher.h"
#include "keys/LeaderWatcher.h"
#include "keys/ModifierWatcher.h"
#include "notch/NotchFeature.h"
#include "notch/NotchStage.h"
#include "ui/StatusMenuController.h"
#include "wellbeing/AwakeFeature.h"
#include "shared/BatteryMonitor.h"
#include "wellbeing/BreaksFeature.h"
#include "platform/AppFiles.h"
#include "platform/Platform.h"
#include "settings/Settings.h"
#include "shared/DragWatcher.h"
#include "windows/AutoQuitFeature.h"
#include "windows/SnapFeature.h"
#include "windows/SweepEngine.h"
#include "windows/WindowSpaces.h"

namespace tarnlet {

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
    static inline const Notice kAccessibilityLost{
        "accessibility-lost", "Tarnlet: Accessibility permission lost",
        "Features are paused. Re-grant access in System Settings → Privacy & Security → Accessibility."};
    static inline const Notice kSpacesUnavailable{
        "spaces-api-unavailable", "Tarnlet: limited window detection",
        "macOS changed a private interface, so an app with a fullscreen window on another Space may be quit when "
        "you close its last visible window. Everything else works normally."};

    AppDelegate(Platform& platform, Options options);
    explicit AppDelegate(Platform& platform) : AppDelegate(platform, Options{}) {}
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching(const std::vector<std::string>& arguments);
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void applicationWillTerminate();

    void reconcile();
    bool needsAccessibilityNow() const;
    void reportFeatureToggles();
    void warnIfSpacesUnavailable();
    void runFeatureKey(FeatureChords::Key key);
    void showSettingsWindow();

    // "--appearance VALUE": dark selects the dark appearance, any other value the light one; the
    // option without a value changes nothing.
    static std::optional<Appearance> appearanceFromArguments(const std::vector<std::string>& arguments);

    // The caption of the hint strip for a leader.
    static std::string hintCaption(Leader leader);

    Settings& settings() { return m_settings; }
    ModifierWatcher& modifiers() { return m_modifiers; }
    HotKeyWatcher& hotKeys() { return m_hotKeys; }
    DragWatcher& drags() { return m_drags; }
    SnapFeature& snap();
    ClipboardFeature& clipboard();
    AutoQuitFeature& autoQuit();
    SweepEngine& sweep();
    SnippetsFeature& snippets();
    ColorPickerFeature& colorPicker();
    // The General pane's backup export and import.
    BackupOperations& backup();
    // What the right-hand Command strip shows after Jump's letters: the snippet picker's key while
    // Snippets runs.
    std::vector<NotchBarItem> snippetPickerHints();
    BreaksFeature& breaks();
    AwakeFeature& awake();
    StatusMenuController& statusMenu();
    // True while the break screen is up; the shelf stays closed then.
    bool breakScreenVisible() const { return m_breakScreenVisible; }
    // The desktop lookups, resolved once per process.
    WindowSpaces& windowSpaces();
    LeaderWatcher& leaderKeys();
    FeatureChords& featureChords();
    BatteryMonitor& battery() { return m_battery; }
    NotchStage& notchStage() { return m_notchStage; }
    NotchFeature& notch();
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
    Feature* builtInFeature(SettingsPane pane);
    Feature* feature(SettingsPane pane);
    void accessibilityChanged(bool granted);
    void toggleFlag(const char* key);
    void showLeaderHints(Leader leader, const std::vector<NotchBarItem>& items);
    void dropLeaderHints();
    void pulseHint(const std::string& key);
    void snapChordHeld(bool supported);
    void wireStatusMenu();
    bool awakeActive();
    std::string suiteName() const;

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
    std::unique_ptr<LeaderWatcher> m_leaderKeys;
    std::unique_ptr<FeatureChords> m_featureChords;
    BatteryMonitor m_battery;
    NotchStage m_notchStage;
    std::unique_ptr<NotchFeature> m_notch;
    std::unique_ptr<SnapFeature> m_snap;
    std::unique_ptr<ClipboardFeature> m_clipboard;
    std::unique_ptr<AutoQuitFeature> m_autoQuit;
    std::unique_ptr<WindowSpaces> m_windowSpaces;
    std::unique_ptr<SweepEngine> m_sweep;
    std::unique_ptr<SnippetsFeature> m_snippets;
    std::unique_ptr<ColorPickerFeature> m_colorPicker;
    std::unique_ptr<BackupOperations> m_backup;
    std::unique_ptr<BreaksFeature> m_breaks;
    std::unique_ptr<AwakeFeature> m_awake;
    std::unique_ptr<StatusMenuController> m_statusMenu;
    bool m_breakScreenVisible = false;
    std::optional<std::vector<Row>> m_features;
    bool m_warnedSpacesUnavailable = false;
    std::map<std::string, bool> m_featureStates;
    std::optional<Appearance> m_appearance;
    int m_settingsWindowShowCount = 0;
    bool m_launched = false;
    bool m_snapHintsShown = false;
    std::optional<Uuid> m_settingsObserver;
    Subscription m_screenObserver;
    Subscription m_wakeObserver;
    WeakFactory m_weak;
};

}  // namespace tarnlet
