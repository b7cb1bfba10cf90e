#include "ui/StatusMenuController.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/Alerts.h"
#include "platform/MainQueue.h"
#include "platform/SystemFacts.h"
#include "platform/Workspace.h"
#include "ui/MenuBarIcon.h"
#include "ui/TimeText.h"
#include "wellbeing/AwakeMenuText.h"

namespace tarnlet {

namespace {

constexpr int kMinutesUnit = 0;
constexpr int kHoursUnit = 1;
constexpr int kStartButton = 0;

}  // namespace

StatusMenuController::StatusMenuController(MainQueue& queue, Alerts& alerts, Workspace& workspace, SystemFacts& facts)
    : m_queue(queue), m_alerts(alerts), m_workspace(workspace), m_facts(facts) {}

StatusMenuController::~StatusMenuController() = default;

void StatusMenuController::attach(std::unique_ptr<StatusItem> item) {
    if (m_statusItem) m_statusItem->setOnClick(nullptr);
    m_statusItem = std::move(item);
    m_menuAttached = false;
    if (!m_statusItem) return;
    // The item is never blank, even before the first reconcile tells whether a session runs.
    m_statusItem->setImage(MenuBarIcon::image(false, m_facts.words()));
    m_statusItem->setOnClick(m_weak.bind([this](StatusClick button) { clicked(button); }));
}

void StatusMenuController::updateIcon(bool awakeActive) {
    if (m_statusItem) m_statusItem->setImage(MenuBarIcon::image(awakeActive, m_facts.words()));
}

void StatusMenuController::clicked(StatusClick button) {
    if (button == StatusClick::right) {
        if (onToggleAwake) onToggleAwake();
        return;
    }
    if (!m_statusItem) return;
    menuNeedsUpdate();
    // A menu still open is closed by the new one; its late close must not detach the new menu.
    const std::uint64_t opening = ++m_openings;
    m_menuAttached = true;
    m_statusItem->popUpMenu(m_menu, m_weak.bind([this, opening] {
        if (opening == m_openings) menuDidClose();
    }));
}

void StatusMenuController::menuDidClose() { m_menuAttached = false; }

// Building the menu.

MenuItem StatusMenuController::actionItem(std::string title, void (StatusMenuController::*action)()) {
    MenuItem item;
    item.title = std::move(title);
    item.action = m_weak.bind([this, action] { (this->*action)(); });
    return item;
}

void StatusMenuController::menuNeedsUpdate() {
    m_menu.clear();

    if (walkthroughProgress) {
        if (const auto progress = walkthroughProgress()) {
            m_menu.push_back(walkthroughItem(*progress));
            m_menu.push_back(MenuItem::separator());
        }
    }

    const std::optional<AwakeSession> session = awakeSession ? awakeSession() : std::nullopt;
    MenuItem keepAwake = actionItem("Keep Awake", &StatusMenuController::toggleAwake);
    keepAwake.checked = session.has_value();
    keepAwake.submenu = awakeSubmenu(session.has_value());
    m_menu.push_back(std::move(keepAwake));
    if (session) {
        MenuItem detail;
        detail.title = AwakeMenuText::detail(session->first, session->second, m_queue.wallNow(),
                                             m_facts.localeIdentifier(), m_facts.timeZoneIdentifier());
        detail.enabled = false;
        detail.indentation = 1;
        m_menu.push_back(std::move(detail));
    }

    m_menu.push_back(MenuItem::separator());
    MenuItem settings = actionItem("Settings…", &StatusMenuController::openSettings);
    settings.keyEquivalent = ",";
    m_menu.push_back(std::move(settings));
    if (onCheckForUpdates) m_menu.push_back(actionItem("Check for Updates…", &StatusMenuController::checkForUpdates));

    m_menu.push_back(MenuItem::separator());
    MenuItem quit = actionItem("Quit Tarnlet", &StatusMenuController::quitApp);
    quit.keyEquivalent = "q";
    m_menu.push_back(std::move(quit));
}

MenuItem StatusMenuController::walkthroughItem(const WalkthroughProgress& progress) {
    MenuItem item = actionItem(walkthroughTitle(progress.first, progress.second),
                               &StatusMenuController::resumeWalkthrough);
    item.image = progressBar(walkthroughFraction(progress.first, progress.second));
    return item;
}

std::vector<MenuItem> StatusMenuController::awakeSubmenu(bool running) {
    const int current = awakeDuration ? awakeDuration() : 0;
    std::vector<MenuItem> items;

    MenuItem indefinite = actionItem("No time limit", &StatusMenuController::setIndefinite);
    indefinite.checked = current == 0;
    items.push_back(std::move(indefinite));
    items.push_back(MenuItem::separator());

    auto durationItem = [this](int minutes, bool checked) {
        MenuItem item;
        item.title = TimeText::minutes(minutes);
        item.tag = minutes;
        item.checked = checked;
        // The action reads the tag of the item it was built with, as the menu's sender would be.
        item.action = m_weak.bind([this, minutes] {
            MenuItem sender;
            sender.tag = minutes;
            setDuration(sender);
        });
        return item;
    };
    for (const int preset : kPresetMinutes) items.push_back(durationItem(preset, current == preset));
    const bool isPreset = std::find(kPresetMinutes.begin(), kPresetMinutes.end(), current) != kPresetMinutes.end();
    if (current > 0 && !isPreset) items.push_back(durationItem(current, true));

    // The prompt is modal: it waits until the menu has closed and its event handling is over.
    MenuItem custom;
    custom.title = "Custom…";
    custom.action = m_weak.bind([this] { m_queue.post(m_weak.bind([this] { pickCustomDuration(); })); });
    items.push_back(std::move(custom));

    items.push_back(MenuItem::separator());
    MenuItem displaySleep = actionItem("Allow Display to Sleep", &StatusMenuController::toggleDisplaySleep);
    displaySleep.checked = allowsDisplaySleep && allowsDisplaySleep();
    items.push_back(std::move(displaySleep));

    items.push_back(MenuItem::separator());
    items.push_back(actionItem(running ? "End Session Now" : "Start Session", &StatusMenuController::toggleAwake));
    return items;
}

// The walkthrough line.

std::string StatusMenuController::walkthroughTitle(int index, int total) {
    // A negative count or position is nonsense from the caller; both read as nothing done yet, so
    // the title never shows a step below 1.
    total = std::max(total, 0);
    index = std::max(index, 0);
    const int shown = std::min(std::max(total, 1), std::min(index, total) + 1);
    return "Getting Started — " + std::to_string(shown) + " of " + std::to_string(total);
}

double StatusMenuController::walkthroughFraction(int index, int total) {
    if (total < 1 || index >= total) return 1.0;
    index = std::max(index, 0);
    return static_cast<double>(std::min(total, index + 1)) / total;
}

Image StatusMenuController::progressBar(double fraction) {
    fraction = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    const double width = kProgressBarSize.width;
    const double height = kProgressBarSize.height;
    const double radius = height / 2;
    Drawing d;
    d.size = kProgressBarSize;
    // The track: a faint full-width capsule with a thin outline, so an empty bar still shows.
    d.ops.push_back(draw::RoundedRect{Rect(0.5, 0.5, width - 1, height - 1), radius - 0.5, Color::black(0.15),
                                      Color::black(0.5), 1});
    if (fraction > 0) {
        const double filled = width * fraction;
        d.ops.push_back(
            draw::RoundedRect{Rect(0, 0, filled, height), std::min(radius, filled / 2), Color::black(), std::nullopt, 0});
    }
    return Image::drawn("Getting Started progress", std::move(d));
}

// The menu's actions.

void StatusMenuController::resumeWalkthrough() {
    if (onResumeWalkthrough) onResumeWalkthrough();
}

void StatusMenuController::toggleAwake() {
    if (onToggleAwake) onToggleAwake();
}

void StatusMenuController::setIndefinite() {
    if (setAwakeDuration) setAwakeDuration(0);
}

void StatusMenuController::setDuration(const MenuItem& item) {
    if (setAwakeDuration) setAwakeDuration(item.tag);
}

std::optional<int> StatusMenuController::parseWholeNumber(std::string_view text) {
    constexpr std::string_view kBlank = " \t\r\n";
    const auto first = text.find_first_not_of(kBlank);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlank) - first + 1);
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max()) return std::nullopt;
    }
    return static_cast<int>(value);
}

void StatusMenuController::pickCustomDuration() {
    NumberPrompt prompt;
    prompt.message = "Custom Keep-Awake Duration";
    prompt.informativeText = "How long should the " + m_facts.words().computer + " stay awake?";
    prompt.placeholder = "45";
    prompt.units = {"minutes", "hours"};
    prompt.buttons = {"Start", "Cancel"};
    // An accessory application is not in front on its own; the alert would open behind others.
    m_workspace.activateSelf();
    const NumberPromptAnswer answer = m_alerts.runNumberPrompt(prompt);
    if (answer.button != kStartButton) return;
    const std::optional<int> number = parseWholeNumber(answer.text);
    if (!number || *number < 1) return;
    if (answer.unitIndex != kMinutesUnit && answer.unitIndex != kHoursUnit) return;
    int minutes = *number;
    if (answer.unitIndex == kHoursUnit) {
        if (minutes > std::numeric_limits<int>::max() / 60) return;
        minutes *= 60;
    }
    if (setAwakeDuration) setAwakeDuration(minutes);
}

void StatusMenuController::toggleDisplaySleep() {
    if (!setAllowsDisplaySleep) return;
    const bool allowed = allowsDisplaySleep && allowsDisplaySleep();
    setAllowsDisplaySleep(!allowed);
}

void StatusMenuController::openSettings() {
    if (onOpenSettings) onOpenSettings();
}

void StatusMenuController::checkForUpdates() {
    if (onCheckForUpdates) onCheckForUpdates();
}

void StatusMenuController::quitApp() { m_workspace.terminateSelf(); }

}  // namespace tarnlet
