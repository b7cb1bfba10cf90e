#include "app/AppDelegate.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "diagnostics/CrashReporter.h"
#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "diagnostics/LogHeader.h"
#include "notch/NotchBarView.h"
#include "notch/NotchGeometry.h"
#include "notch/NotchStates.h"
#include "platform/Folders.h"
#include "platform/MainQueue.h"
#include "platform/Permissions.h"
#include "platform/Screens.h"
#include "platform/SystemFacts.h"
#include "platform/UserDefaults.h"
#include "platform/WindowServer.h"
#include "windows/SnapShortcut.h"
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
      m_battery(platform.powerSources) {
    // The log is process-wide: point it at this backend's folder, clock and system log.
    FileLog::setDirectory(platform.folders.logs());
    FileLog::setClock([queue = &platform.mainQueue] { return queue->wallNow(); });
    Log::setSystemLog(&platform.systemLog);
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

    Log::setDebugEnabled(m_settings.boolean("diagnostics.logging"));
    if (m_options.installCrashReporter) CrashReporter::install();
    Log::session([&] { return LogHeader::launchHeader(m_platform.systemFacts.machine(), m_platform.screens.screens()); });
    m_screenRecording.takeSnapshot();

    m_permission.onChange = m_weak.bind([this](bool granted) { accessibilityChanged(granted); });
    featureChords().registerAction(m_weak.bind([this](FeatureChords::Key key) { runFeatureKey(key); }));
    m_settingsObserver = m_settings.addObserver(m_weak.bind([this] { reconcile(); }));

    // Callbacks of the chord, wired before any tool runs.
    leaderKeys().holdDelay = [token = m_weak.token(), this] {
        return token.isAlive() ? m_settings.number("notch.hintDelay") : LeaderWatcher::kDefaultHoldDelay;
    };
    leaderKeys().onHold = m_weak.bind([this](Leader leader, const std::vector<NotchBarItem>& items) {
        showLeaderHints(leader, items);
    });
    leaderKeys().onRelease = m_weak.bind([this] { dropLeaderHints(); });
    featureChords().onHintPress = m_weak.bind([this](const std::string& key) { pulseHint(key); });
    featureChords().isNowPlayingLive = [token = m_weak.token(), this] {
        return token.isAlive() && m_settings.boolean("notch.nowPlaying");
    };
    featureChords().isSnippetsLive = [token = m_weak.token(), this] {
        if (!token.isAlive()) return false;
        const Feature* snippets = feature(SettingsPane::snippets);
        return snippets && snippets->isActive();
    };
    featureChords().onSnippetPicker = m_weak.bind([this] {
        leaderKeys().dismissHint();
        snippets().showPicker();
    });

    wireStatusMenu();

    m_permission.startMonitoring();
    if (needsAccessibilityNow()) m_permission.requestAccess();

    m_screenObserver = m_platform.screens.observeChanges(m_weak.bind([this] {
        Log::debug([&] { return "Displays changed: " + LogHeader::displayDescription(m_platform.screens.screens()); });
    }));

    // The menu-bar item: a left click opens the menu, a right click toggles keep-awake.
    statusMenu().attach(m_platform.statusBar.addItem());

    reconcile();

    // First use: no tool switched on (keep-awake and the notch do not count) opens the settings.
    bool anyEnabled = false;
    for (SettingsPane pane : SettingsPanes::features()) {
        if (pane == SettingsPane::awake || pane == SettingsPane::notch) continue;
        anyEnabled = anyEnabled || m_settings.boolean(SettingsPanes::enabledKey(pane));
    }
    if (!anyEnabled) showSettingsWindow();

    m_wakeObserver = m_platform.workspace.observeDidWake(m_weak.bind([this] { reconcile(); }));

    if (auto appearance = appearanceFromArguments(arguments)) m_appearance = appearance;
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

LeaderWatcher& AppDelegate::leaderKeys() {
    if (!m_leaderKeys)
        m_leaderKeys = std::make_unique<LeaderWatcher>(m_modifiers, m_platform.eventTaps, m_platform.mainQueue);
    return *m_leaderKeys;
}

FeatureChords& AppDelegate::featureChords() {
    if (!m_featureChords)
        m_featureChords = std::make_unique<FeatureChords>(m_settings, leaderKeys(), m_platform.mainQueue);
    return *m_featureChords;
}

std::string AppDelegate::hintCaption(Leader leader) {
    switch (leader) {
        case Leader::command: return "press a key to jump";
        case Leader::option: return "choose window";
        case Leader::feature: return "features";
    }
    return {};
}

NotchFeature& AppDelegate::notch() {
    if (!m_notch)
        m_notch = std::make_unique<NotchFeature>(m_settings, m_battery, m_notchStage, m_platform.panels,
                                                 m_platform.screens, m_platform.textMeasurer, m_platform.mainQueue);
    return *m_notch;
}

std::optional<std::string> AppDelegate::leaderHintCaption() {
    if (auto bar = notch().controller().hintBar()) return bar->content().caption;
    return std::nullopt;
}

void AppDelegate::showLeaderHints(Leader leader, const std::vector<NotchBarItem>& items) {
    notch().showLeaderHints(items, hintCaption(leader));
}

void AppDelegate::dropLeaderHints() { notch().dropLeaderHints(); }

void AppDelegate::pulseHint(const std::string& key) { notch().pulse(key); }

WindowSpaces& AppDelegate::windowSpaces() {
    if (!m_windowSpaces) m_windowSpaces = std::make_unique<WindowSpaces>(m_platform.windowServer);
    return *m_windowSpaces;
}

SweepEngine& AppDelegate::sweep() {
    if (!m_sweep) {
        auto& p = m_platform;
        m_sweep = std::make_unique<SweepEngine>(
            m_settings, SweepEngine::Services{p.workspace, p.accessibility, p.windowServer, windowSpaces(), p.mainQueue,
                                              p.taskQueues, p.systemFacts.processIdentifier()});
        m_sweep->onAppQuit = m_weak.bind([this](const std::string& name, const std::optional<Image>& icon) {
            if (m_settings.boolean("sweep.quitChips")) notch().showChip(NotchStates::appQuitChip(icon, name), NotchFeature::kChipDuration);
        });
        // A count that could not be read may mean the permission went: the system is asked again.
        m_sweep->onAccessibilityFailure = m_weak.bind([this] {
            m_permission.apply(m_platform.permissions.isAccessibilityTrusted());
        });
    }
    return *m_sweep;
}

AutoQuitFeature& AppDelegate::autoQuit() {
    if (!m_autoQuit)
        m_autoQuit = std::make_unique<AutoQuitFeature>(m_settings, m_platform.workspace, m_platform.mainQueue,
                                                       m_platform.systemFacts.processIdentifier());
    return *m_autoQuit;
}

ClipboardFeature& AppDelegate::clipboard() {
    if (!m_clipboard) {
        auto& p = m_platform;
        m_clipboard = std::make_unique<ClipboardFeature>(
            m_settings, m_modifiers,
            ClipboardFeature::Services{p.eventTaps, p.pasteboard, p.permissions, p.workspace, p.mouse, p.panels,
                                       p.screens, p.textMeasurer, p.mainQueue, m_appFiles.root()});
    }
    return *m_clipboard;
}

SnapFeature& AppDelegate::snap() {
    if (!m_snap) {
        m_snap = std::make_unique<SnapFeature>(
            m_settings, m_modifiers, m_drags, m_hotKeys,
            SnapFeature::Services{{m_platform.accessibility, m_platform.workspace, m_platform.screens},
                                  m_platform.mouse, m_platform.panels, m_platform.mainQueue});
        m_snap->onShortcut = m_weak.bind([this](SnapPosition position) {
            if (auto label = SnapShortcut::hintLabel(position)) pulseHint(*label);
        });
        m_snap->onChordHold = m_weak.bind([this](bool supported) { snapChordHeld(supported); });
        // Snap also reports a release when it stops; only its own hints come down then, never a
        // leader's strip that happens to be up (the feature strip that switched Snap off).
        m_snap->onChordRelease = m_weak.bind([this] {
            if (!m_snapHintsShown) return;
            m_snapHintsShown = false;
            dropLeaderHints();
        });
    }
    return *m_snap;
}

void AppDelegate::snapChordHeld(bool supported) {
    if (!supported) {
        m_snapHintsShown = notch().showSnapUnsupported();
        return;
    }
    auto rows = SnapShortcut::hintItems();
    m_snapHintsShown = notch().showSnapHints(std::move(rows[0]), std::move(rows[1]));
}

void AppDelegate::wireStatusMenu() {
    StatusMenuController& menu = statusMenu();
    menu.onOpenSettings = m_weak.bind([this] { showSettingsWindow(); });
    // No walkthrough yet: the menu shows no progress line.
    menu.onResumeWalkthrough = m_weak.bind([this] { showSettingsWindow(); });
    menu.onToggleAwake = m_weak.bind([this] { awake().toggleQuick(); });
    menu.awakeSession = [token = m_weak.token(), this]() -> std::optional<StatusMenuController::AwakeSession> {
        if (!token.isAlive() || !m_awake || !m_awake->isActive()) return std::nullopt;
        return StatusMenuController::AwakeSession{m_awake->endsAt(), m_awake->activeTriggerReason()};
    };
    menu.awakeDuration = [token = m_weak.token(), this] {
        return token.isAlive() ? static_cast<int>(m_settings.integer("awake.durationMinutes")) : 0;
    };
    menu.setAwakeDuration = m_weak.bind([this](int minutes) { m_settings.set("awake.durationMinutes", minutes); });
    menu.allowsDisplaySleep = [token = m_weak.token(), this] {
        return token.isAlive() && m_settings.boolean("awake.allowDisplaySleep");
    };
    menu.setAllowsDisplaySleep = m_weak.bind([this](bool allows) { m_settings.set("awake.allowDisplaySleep", allows); });
}

StatusMenuController& AppDelegate::statusMenu() {
    if (!m_statusMenu)
        m_statusMenu = std::make_unique<StatusMenuController>(m_platform.mainQueue, m_platform.alerts, m_platform.workspace,
                                                              m_platform.systemFacts);
    return *m_statusMenu;
}

SnippetsFeature& AppDelegate::snippets() {
    if (!m_snippets) {
        auto& p = m_platform;
        m_snippets = std::make_unique<SnippetsFeature>(
            m_settings, SnippetsFeature::Services{p.eventTaps, p.pasteboard, p.permissions, p.workspace, p.mouse,
                                                  p.panels, p.screens, p.textMeasurer, p.mainQueue, p.systemFacts,
                                                  m_appFiles.root()});
        m_snippets->onCopiedWithoutPaste = m_weak.bind([this] {
            notch().showChip(NotchStates::snippetCopiedChip(), NotchFeature::kChipDuration);
        });
    }
    return *m_snippets;
}

ColorPickerFeature& AppDelegate::colorPicker() {
    if (!m_colorPicker) {
        m_colorPicker = std::make_unique<ColorPickerFeature>(m_hotKeys, m_platform.colorSampler, m_platform.pasteboard);
        m_colorPicker->onColor = m_weak.bind([this](const std::string& hex, const SampledColor& color) {
            const Color shown{std::clamp(color.red, 0.0, 1.0), std::clamp(color.green, 0.0, 1.0),
                              std::clamp(color.blue, 0.0, 1.0), 1};
            notch().showChip(NotchStates::colorChip(hex, shown), NotchFeature::kChipDuration);
        });
    }
    return *m_colorPicker;
}

std::vector<NotchBarItem> AppDelegate::snippetPickerHints() {
    const Feature* feature = this->feature(SettingsPane::snippets);
    if (!feature || !feature->isActive()) return {};
    NotchBarItem item;
    item.icon = Image::symbol(std::string(SettingsPanes::icon(SettingsPane::snippets)),
                              SettingsPanes::title(SettingsPane::snippets));
    return {item};
}

BackupOperations& AppDelegate::backup() {
    if (!m_backup)
        m_backup = std::make_unique<BackupOperations>(m_settings, snippets().store(), m_platform.folders, m_platform.workspace);
    return *m_backup;
}

BreaksFeature& AppDelegate::breaks() {
    if (!m_breaks) {
        auto& p = m_platform;
        m_breaks = std::make_unique<BreaksFeature>(
            m_settings, BreaksFeature::Services{p.mainQueue, p.workspace, p.inputIdle, p.powerAssertions, p.screens,
                                                p.panels, p.eventTaps, p.mouse, p.textMeasurer,
                                                p.systemFacts.processIdentifier()});
        m_breaks->onPreWarn = m_weak.bind([this] { notch().showChip(NotchStates::breakPreWarning(), NotchFeature::kChipDuration); });
        m_breaks->onCountdownTick = m_weak.bind([this](int second, bool eyeOpen) {
            notch().showLiveChip(NotchStates::breakCountdown(second, eyeOpen));
        });
        m_breaks->onCountdownEnd = m_weak.bind([this] { notch().dismissLiveChip(); });
        m_breaks->onOverlayVisible = m_weak.bind([this](bool visible) { m_breakScreenVisible = visible; });
        m_breaks->onBreakDone = m_weak.bind([this] { notch().showChip(NotchStates::breakDone(), NotchFeature::kChipDuration); });
    }
    return *m_breaks;
}

AwakeFeature& AppDelegate::awake() {
    if (!m_awake) {
        auto& p = m_platform;
        m_awake = std::make_unique<AwakeFeature>(
            m_settings, m_battery,
            AwakeFeature::Services{p.mainQueue, p.workspace, p.screens, p.volumes, p.powerAssertions, p.haptics});
        m_awake->onSessionChange = m_weak.bind([this](bool active, int minutes) {
            notch().showChip(NotchStates::sessionChip(active, minutes), NotchFeature::kChipDuration);
        });
        m_awake->onNotice = m_weak.bind([this](const std::string& id, const std::string& title, const std::string& body) {
            m_notifier.postTransient(id, title, body, AwakeFeature::kNoticeLifetime);
        });
    }
    return *m_awake;
}

bool AppDelegate::awakeActive() {
    const Feature* feature = this->feature(SettingsPane::awake);
    return feature && feature->isActive();
}

Feature* AppDelegate::builtInFeature(SettingsPane pane) {
    // Each tool joins here, built on first use, as it is added to the suite.
    switch (pane) {
        case SettingsPane::snippets: return &snippets();
        case SettingsPane::colorPicker: return &colorPicker();
        case SettingsPane::breaks: return &breaks();
        case SettingsPane::awake: return &awake();
        case SettingsPane::snap: return &snap();
        case SettingsPane::clipboard: return &clipboard();
        case SettingsPane::autoQuit: return &autoQuit();
        case SettingsPane::sweep: return &sweep();
        case SettingsPane::notch: return &notch();
        default: return nullptr;
    }
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
            if (!feature) feature = builtInFeature(row.pane);
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
        if (!leaderKeys().isRunning() && leaderKeys().hasConsumers()) leaderKeys().start();
    } else {
        leaderKeys().stop();
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

    // Running tools take the settings that may have changed (tools standing in for them in tests
    // have nothing to take).
    if (m_autoQuit) m_autoQuit->applySettings();
    if (m_sweep) m_sweep->syncWatchList();
    if (m_awake) m_awake->applyTriggers();
    if (m_breaks) m_breaks->applySettings();

    reportFeatureToggles();
    warnIfSpacesUnavailable();
    statusMenu().updateIcon(awakeActive());
}

bool AppDelegate::needsAccessibilityNow() const {
    for (SettingsPane pane : SettingsPanes::features()) {
        if (pane == SettingsPane::notch) continue;
        if (!m_settings.boolean(SettingsPanes::enabledKey(pane))) continue;
        for (const FeatureRow& row : kFeatureTable)
            if (row.pane == pane && row.needsAccessibility) return true;
        for (const std::string& label : FeatureChords::chords(pane))
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
            notch().showChip(NotchStates::featureToggleChip(icon, title, active), NotchFeature::kChipDuration);
        }
        m_featureStates[title] = active;
    }
}

void AppDelegate::warnIfSpacesUnavailable() {
    if (!m_settings.boolean("sweep.isEnabled") || m_warnedSpacesUnavailable) return;
    if (m_platform.windowServer.isSpaceInterfaceAvailable()) return;
    m_warnedSpacesUnavailable = true;
    m_notifier.post(kSpacesUnavailable);
}

void AppDelegate::accessibilityChanged(bool granted) {
    if (!granted && needsAccessibilityNow()) m_notifier.post(kAccessibilityLost);
    reconcile();
}

void AppDelegate::toggleFlag(const char* key) { m_settings.set(key, !m_settings.boolean(key)); }

void AppDelegate::runFeatureKey(FeatureChords::Key key) {
    using Key = FeatureChords::Key;
    switch (key) {
        case Key::focus:
            toggleFlag("focus.isEnabled");
            notch().setHintCaption(m_settings.boolean("focus.isEnabled") ? "Focus: on" : "Focus: off");
            break;
        case Key::breaks:
            toggleFlag("breaks.isEnabled");
            notch().setHintCaption(m_settings.boolean("breaks.isEnabled") ? "Breaks: on" : "Breaks: off");
            break;
        case Key::settings: showSettingsWindow(); break;
        case Key::profile1:
        case Key::profile2: {
            const auto target = key == Key::profile1 ? Settings::Profile::one : Settings::Profile::two;
            const std::string name = "Profile " + std::to_string(static_cast<int>(target));
            if (m_settings.profile() == target) {
                notch().setHintCaption(name + " already active");
                break;
            }
            m_settings.setProfile(target);
            Log::debug([&] { return "Settings profile: switched to " + name; });
            notch().setHintCaption("Switched to " + name);
            break;
        }
        case Key::ocr:
            leaderKeys().dismissHint();
            break;
        case Key::clipboard:
            leaderKeys().dismissHint();
            clipboard().showPicker();
            break;
        case Key::awake:
            awake().toggleQuick();
            notch().setHintCaption(m_settings.boolean("awake.isEnabled") ? "Awake: on" : "Awake: off");
            break;
        case Key::shelf:
            // The shelf opens here once it is part of the suite.
            break;
    }
}

}  // namespace tarnlet
