#pragma once
// The menu of the application's icon in the menu bar. A left click opens the menu, rebuilt at each
// opening from the callbacks, so it always shows the walkthrough's progress and the running
// keep-awake session; a right click toggles a keep-awake session without opening anything. The
// controller knows nothing of the tools: every entry calls one of the callbacks the core wires.
//
//     StatusMenuController menu(queue, alerts, workspace, facts);
//     menu.onToggleAwake = [&] { awake.toggleQuick(); };
//     menu.awakeDuration = [&] { return settings.integer("awake.durationMinutes"); };
//     ...
//     menu.attach(statusBar.addItem());
//     menu.updateIcon(awake.isActive());   // after every reconcile
//
// Every callback is optional and called only when set. Menu actions run after the menu closed;
// the custom-duration prompt is posted on the main queue so that it never runs inside the menu's
// own event handling. Actions and posted work hold the controller weakly. Main thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Image.h"
#include "base/WeakToken.h"
#include "platform/StatusBar.h"

namespace tarnlet {

class Alerts;
class MainQueue;
class SystemFacts;
class Workspace;

class StatusMenuController {
public:
    // (index, total) of the Getting Started walkthrough; the index counts from 0.
    using WalkthroughProgress = std::pair<int, int>;
    // (end as wall-clock seconds since 1970 or none for no limit, trigger reason or none).
    using AwakeSession = std::pair<std::optional<double>, std::optional<std::string>>;

    // The session lengths offered in the duration submenu, in minutes, in menu order.
    static constexpr std::array<int, 5> kPresetMinutes{15, 30, 60, 120, 300};
    // The walkthrough item's progress bar, in points.
    static constexpr Size kProgressBarSize{34, 8};

    StatusMenuController(MainQueue& queue, Alerts& alerts, Workspace& workspace, SystemFacts& facts);
    ~StatusMenuController();
    StatusMenuController(const StatusMenuController&) = delete;
    StatusMenuController& operator=(const StatusMenuController&) = delete;

    std::function<void()> onOpenSettings;
    // None while no walkthrough is under way.
    std::function<std::optional<WalkthroughProgress>()> walkthroughProgress;
    std::function<void()> onResumeWalkthrough;
    std::function<void()> onToggleAwake;
    // None while no session runs.
    std::function<std::optional<AwakeSession>()> awakeSession;
    // "awake.durationMinutes": 0 means no limit.
    std::function<int()> awakeDuration;
    std::function<void(int)> setAwakeDuration;
    // "awake.allowDisplaySleep".
    std::function<bool()> allowsDisplaySleep;
    std::function<void(bool)> setAllowsDisplaySleep;
    // Left unset when no updater is available; the menu then has no update entry.
    std::function<void()> onCheckForUpdates;

    // Takes the menu-bar item the core created, gives it the idle icon and answers its clicks.
    void attach(std::unique_ptr<StatusItem> item);
    StatusItem* statusItem() const { return m_statusItem.get(); }
    // Draws the icon anew, in its session-active variant when a keep-awake session runs.
    void updateIcon(bool awakeActive);

    // Rebuilds `menu()` from the callbacks, dropping every item first.
    void menuNeedsUpdate();
    // The menu closed: it is detached from the item, so the next right click toggles again.
    void menuDidClose();
    const Menu& menu() const { return m_menu; }
    // True while the menu is attached to the item, that is, while it is open.
    bool isMenuAttached() const { return m_menuAttached; }

    // The menu's actions.
    void resumeWalkthrough();
    void toggleAwake();
    void setIndefinite();
    void setDuration(const MenuItem& item);
    // Asks for a duration of the user's choosing in a modal alert; runs to the user's answer.
    void pickCustomDuration();
    void toggleDisplaySleep();
    void openSettings();
    void checkForUpdates();
    void quitApp();

    // The prompt's number field read strictly: a whole number in decimal digits, optionally
    // surrounded by blanks; none for anything else, including a number too large for an int.
    static std::optional<int> parseWholeNumber(std::string_view text);
    // The walkthrough item's title and the fill of its progress bar (0 to 1).
    static std::string walkthroughTitle(int index, int total);
    static double walkthroughFraction(int index, int total);
    // A 34 × 8 point template image: a rounded track filled from the left to `fraction`.
    static Image progressBar(double fraction);

private:
    void clicked(StatusClick button);
    MenuItem walkthroughItem(const WalkthroughProgress& progress);
    std::vector<MenuItem> awakeSubmenu(bool running);
    MenuItem actionItem(std::string title, void (StatusMenuController::*action)());

    MainQueue& m_queue;
    Alerts& m_alerts;
    Workspace& m_workspace;
    SystemFacts& m_facts;
    std::unique_ptr<StatusItem> m_statusItem;
    Menu m_menu;
    bool m_menuAttached = false;
    std::uint64_t m_openings = 0;  // counts the menu's openings, to match each close to its opening
    WeakFactory m_weak;
};

}  // namespace tarnlet
