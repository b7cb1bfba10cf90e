#include "app/AppDelegate.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/tools/ToolRegistry.h"
#include "diagnostics/CrashReporter.h"
#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "diagnostics/LogHeader.h"
#include "notch/NotchBarView.h"
#include "notch/NotchFeature.h"
#include "notch/NotchGeometry.h"
#include "notch/NotchStates.h"
#include "platform/Folders.h"
#include "platform/MainQueue.h"
#include "platform/Permissions.h"
#include "platform/Screens.h"
#include "platform/SystemFacts.h"
#include "platform/UserDefaults.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace tarnlet {

namespace {

std::string settingsSuiteName(const SystemFacts& facts) {
    return facts.bundleIdentifier().value_or(AppDelegate::kSuiteNameFallback);
}

bool startsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

AppDelegate::AppDelegate(Platform& platform, Options options)
    : m_platform(platform),
      m_options(std::move(options)),
      m_settings(platform.defaults.standard(), platform.defaults, settingsSuiteName(platform.systemFacts)),
      m_permission(platform.permissions, platform.mainQueue, platform.workspace),
      m_screenRecording(platform.permissions, platform.workspace),
      m_notifier(platform.notices, platform.mainQueue, platform.systemFacts),
      m_appFiles(platform.folders),
      m_modifiers(platform.eventTaps),
      m_hotKeys(platform.hotKeys),
      m_drags(platform.mouse),
      m_battery(platform.powerSources),
      m_notch({m_settings, m_battery, m_notchStage, platform.panels, platform.screens, platform.textMeasurer,
               platform.mainQueue}),
      m_leaderKeys(m_modifiers, platform.eventTaps, platform.mainQueue),
      m_featureChords(m_settings, m_leaderKeys, platform.mainQueue),
      m_statusMenu(platform.mainQueue, platform.alerts, platform.workspace, platform.systemFacts),
      m_context{platform,     m_settings,       m_appFiles, m_modifiers, m_hotKeys,    m_drags,      m_battery,
                m_leaderKeys, m_featureChords, m_notch,    m_notifier,  m_permission, m_statusMenu} {
    // The log is process-wide: point it at this backend's folder, clock and system log.
    FileLog::setDirectory(platform.folders.logs());
    FileLog::setClock([queue = &platform.mainQueue] { return queue->wallNow(); });
    Log::setSystemLog(&platform.systemLog);

    for (const FeatureRow& row : kFeatureTable) {
        const auto factory = ToolRegistry::factory(row.pane);
        if (!factory) continue;
        m_tools.push_back((*factory)(m_context));
        m_toolsByPane[row.pane] = m_tools.back().get();
    }
    // A feature key works only where a tool of this build answers it.
    m_featureChords.hasAction = [token = m_weak.token(), this](FeatureChords::Key key) {
        using Key = FeatureChords::Key;
        if (key == Key::settings || key == Key::profile1 || key == Key::profile2) return true;
        return token.isAlive() && toolForKey(key) != nullptr;
    };
}

AppDelegate::~AppDelegate() {
    if (m_settingsObserver) m_settings.removeObserver(*m_settingsObserver);
    // The backend may go before the process does: the log must not keep pointing into it.
    if (Log::systemLog() == &m_platform.systemLog) {
        Log::setSystemLog(nullptr);
        FileLog::setClock(nullptr);
    }
}

void AppDelegate::applicationDidFinishLaunching(const std::vector<std::string>& arguments) {
    if (m_launched) return;
    m_launched = true;

    // The pickers are drawn in the appearance chosen here, so it is settled before any tool is built.
    if (auto appearance = appearanceFromArguments(arguments)) m_appearance = appearance;
    m_context.darkAppearance = m_appearance == Appearance::darkAqua;

    Log::setDebugEnabled(m_settings.boolean("diagnostics.logging"));
    if (m_options.installCrashReporter) CrashReporter::install();
    Log::session([&] { return LogHeader::launchHeader(m_platform.systemFacts.machine(), m_platform.screens.screens()); });
    m_screenRecording.takeSnapshot();

    m_permission.onChange = m_weak.bind([this](bool granted) { accessibilityChanged(granted); });
    m_featureChords.registerAction(m_weak.bind([this](FeatureChords::Key key) { runFeatureKey(key); }));
    m_settingsObserver = m_settings.addObserver(m_weak.bind([this] { reconcile(); }));

    // Callbacks of the chord, wired before any tool runs.
    m_leaderKeys.holdDelay = [token = m_weak.token(), this] {
        return token.isAlive() ? m_settings.number("notch.hintDelay") : LeaderWatcher::kDefaultHoldDelay;
    };
    m_leaderKeys.onHold = m_weak.bind([this](Leader leader, const std::vector<NotchBarItem>& items) {
        m_notch.showLeaderHints(items, hintCaption(leader));
    });
    m_leaderKeys.onRelease = m_weak.bind([this] { m_notch.dropLeaderHints(); });
    m_featureChords.onHintPress = m_weak.bind([this](const std::string& key) { m_notch.pulse(key); });

    m_statusMenu.onOpenSettings = m_weak.bind([this] { showSettingsWindow(); });
    // No walkthrough yet: the menu shows no progress line.
    m_statusMenu.onResumeWalkthrough = m_weak.bind([this] { showSettingsWindow(); });

    m_permission.startMonitoring();
    if (needsAccessibilityNow()) m_permission.requestAccess();

    m_screenObserver = m_platform.screens.observeChanges(m_weak.bind([this] {
        Log::debug([&] { return "Displays changed: " + LogHeader::displayDescription(m_platform.screens.screens()); });
    }));

    // The menu-bar item: a left click opens the menu, a right click toggles keep-awake.
    m_statusMenu.attach(m_platform.statusBar.addItem());

    reconcile();

    // First use: no tool switched on (keep-awake and the notch do not count) opens the settings.
    bool anyEnabled = false;
    for (SettingsPane pane : SettingsPanes::features()) {
        if (pane == SettingsPane::awake || pane == SettingsPane::notch) continue;
        anyEnabled = anyEnabled || m_settings.boolean(SettingsPanes::enabledKey(pane));
    }
    if (!anyEnabled) showSettingsWindow();

    m_wakeObserver = m_platform.workspace.observeDidWake(m_weak.bind([this] { reconcile(); }));
}

bool AppDelegate::applicationShouldHandleReopen(bool) {
    showSettingsWindow();
    return true;
}

void AppDelegate::applicationWillTerminate() { Log::debug("Tarnlet quitting normally"); }

std::optional<AppDelegate::Appearance> AppDelegate::appearanceFromArguments(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == "--appearance") return arguments[i + 1] == "dark" ? Appearance::darkAqua : Appearance::aqua;
    return std::nullopt;
}

void AppDelegate::showSettingsWindow() {
    ++m_settingsWindowShowCount;
    if (onSettingsWindowShown) onSettingsWindowShown();
}

std::string AppDelegate::hintCaption(Leader leader) {
    switch (leader) {
        case Leader::command: return "press a key to jump";
        case Leader::option: return "choose window";
        case Leader::feature: return "features";
    }
    return {};
}

std::optional<std::string> AppDelegate::leaderHintCaption() {
    if (auto bar = notch().controller().hintBar()) return bar->content().caption;
    return std::nullopt;
}

Tool* AppDelegate::tool(SettingsPane pane) {
    const auto it = m_toolsByPane.find(pane);
    return it == m_toolsByPane.end() ? nullptr : it->second;
}

Tool* AppDelegate::toolForKey(FeatureChords::Key key) {
    for (const auto& tool : m_tools) {
        const auto keys = tool->featureKeys();
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) return tool.get();
    }
    return nullptr;
}

Feature* AppDelegate::feature(SettingsPane pane) {
    for (const Row& row : features())
        if (row.row.pane == pane) return row.feature;
    return nullptr;
}

const std::vector<AppDelegate::Row>& AppDelegate::features() {
    if (!m_features) {
        std::vector<Row> rows;
        for (const FeatureRow& row : kFeatureTable) {
            Feature* feature = m_options.features ? m_options.features(row.pane) : nullptr;
            if (!feature)
                if (Tool* tool = this->tool(row.pane)) feature = &tool->feature();
            if (feature) rows.push_back({row, feature});
        }
        m_features = std::move(rows);
    }
    return *m_features;
}

void AppDelegate::reconcile() {
    const bool logging = m_settings.boolean("diagnostics.logging");
    if (logging != Log::isDebugEnabled()) {
        Log::setDebugEnabled(logging);
        Log::session([&] {
            return LogHeader::diagnosticsOnHeader(m_platform.systemFacts.machine(), m_platform.screens.screens());
        });
    }

    if (m_permission.isGranted()) {
        if (!m_leaderKeys.isRunning() && m_leaderKeys.hasConsumers()) m_leaderKeys.start();
    } else {
        m_leaderKeys.stop();
    }

    const bool notchless = m_settings.boolean("notch.onNotchlessDisplays");
    if (notchless != NotchGeometry::drawsWithoutNotch()) NotchGeometry::setDrawsWithoutNotch(notchless);

    const bool granted = m_permission.isGranted();
    for (const Row& row : features()) {
        const bool flag = !row.row.hasFlag || m_settings.boolean(SettingsPanes::enabledKey(row.row.pane));
        const bool wanted = flag && (!row.row.needsAccessibility || granted);
        const bool active = row.feature->isActive();
        if (wanted && !active)
            Log::debug([&] { return "Feature " + SettingsPanes::title(row.row.pane) + ": ON"; });
        else if (active && !wanted)
            Log::debug([&] {
                return "Feature " + SettingsPanes::title(row.row.pane) + ": OFF — " +
                       (flag ? "needs Accessibility" : "switched off");
            });
        // Called even when nothing changes: an active tool re-reads its settings on activate().
        if (wanted) row.feature->activate();
        else row.feature->deactivate();
    }
    // Every tool, running or not, takes the settings that may have changed.
    for (const Row& row : features()) row.feature->applySettings();

    reportFeatureToggles();
    warnIfSpacesUnavailable();
    const Feature* awake = feature(SettingsPane::awake);
    m_statusMenu.updateIcon(awake && awake->isActive());
}

bool AppDelegate::needsAccessibilityNow() {
    for (const Row& row : features()) {
        if (!row.row.hasFlag || !m_settings.boolean(SettingsPanes::enabledKey(row.row.pane))) continue;
        if (row.row.needsAccessibility) return true;
        for (const std::string& label : FeatureChords::chords(row.row.pane))
            if (startsWith(label, "r⌘") || startsWith(label, "r⌥")) return true;
    }
    return false;
}

void AppDelegate::reportFeatureToggles() {
    for (const Row& row : features()) {
        const std::string title = SettingsPanes::title(row.row.pane);
        const bool active = row.feature->isActive();
        const auto recorded = m_featureStates.find(title);
        if (recorded != m_featureStates.end() && recorded->second != active && notch().isActive()) {
            const Image icon = Image::symbol(std::string(SettingsPanes::icon(row.row.pane)), title);
            m_notch.showChip(NotchStates::featureToggleChip(icon, title, active));
        }
        m_featureStates[title] = active;
    }
}

Notice AppDelegate::accessibilityLostNotice(const DesktopWords& words) {
    return {"accessibility-lost", "Tarnlet: Accessibility permission lost",
            "Features are paused. Re-grant access in " + words.accessibilitySettings + "."};
}

Notice AppDelegate::spacesUnavailableNotice(const DesktopWords& words) {
    return {"spaces-api-unavailable", "Tarnlet: limited window detection",
            words.system + " changed a private interface, so an app with a fullscreen window on another Space may be "
                           "quit when you close its last visible window. Everything else works normally."};
}

void AppDelegate::warnIfSpacesUnavailable() {
    if (!m_settings.boolean("sweep.isEnabled") || m_warnedSpacesUnavailable) return;
    if (m_platform.windowServer.isSpaceInterfaceAvailable()) return;
    m_warnedSpacesUnavailable = true;
    m_notifier.post(spacesUnavailableNotice(m_platform.systemFacts.words()));
}

void AppDelegate::accessibilityChanged(bool granted) {
    if (!granted && needsAccessibilityNow()) m_notifier.post(accessibilityLostNotice(m_platform.systemFacts.words()));
    reconcile();
}

void AppDelegate::runFeatureKey(FeatureChords::Key key) {
    using Key = FeatureChords::Key;
    switch (key) {
        case Key::settings: showSettingsWindow(); return;
        case Key::profile1:
        case Key::profile2: {
            const auto target = key == Key::profile1 ? Settings::Profile::one : Settings::Profile::two;
            const std::string name = "Profile " + std::to_string(static_cast<int>(target));
            if (m_settings.profile() == target) {
                m_notch.setHintCaption(name + " already active");
                return;
            }
            m_settings.setProfile(target);
            Log::debug([&] { return "Settings profile: switched to " + name; });
            m_notch.setHintCaption("Switched to " + name);
            return;
        }
        default:
            if (Tool* tool = toolForKey(key)) tool->runFeatureKey(key);
            return;
    }
}

}  // namespace tarnlet
