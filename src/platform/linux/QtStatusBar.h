#pragma once
// The status item as a tray icon: a StatusNotifierItem over D-Bus where a watcher and a host run
// (KDE Plasma, GNOME with the AppIndicator extension, most panels), an XEmbed tray icon otherwise.
// Qt picks between the two once per process; without either the item stays invisible and a log
// line says so.
//
// Clicks. The core opens its menu on a left click and toggles keep-awake on a right click.
//   * XEmbed: the icon sees the mouse itself. Left is Qt's Trigger, right is Context; no context
//     menu is set, because Qt would pop it up on a right click before telling us.
//   * StatusNotifierItem: hosts call Activate on a left click (Trigger → left) and, for an item
//     that exports a menu, show that menu themselves on a right click without telling the item.
//     The menu is exported nonetheless, since some hosts show nothing but the exported menu: it
//     is the core's own menu, asked for anew whenever the host is about to show it (the item plays
//     a left click to the core, and the menu the core then opens fills the exported one instead of
//     popping up) and whenever the icon changes, which the core does after every state change. So
//     on such hosts a right click opens the same menu as a left click, and keep-awake toggles with
//     the middle click (SecondaryActivate) or with ContextMenu, which hosts that leave menus to
//     the item send for a right click.
//   * A left click opens the menu as a Qt pop-up at the pointer, on both kinds of tray.
//
// Menus are rendered as QMenus: titles, check marks, disabled items, indentation, separators,
// submenus, images and key equivalents (shown with Control, the shortcut modifier here). A chosen
// item's action runs on the main queue after the menu's onClose. Main thread only.

#include <memory>

#include "platform/StatusBar.h"

namespace tarnlet {
class MainQueue;
class SystemLog;
}  // namespace tarnlet

namespace tarnlet::linux_desktop {

class QtStatusBar : public StatusBar {
public:
    QtStatusBar(MainQueue& queue, SystemLog& log);
    ~QtStatusBar() override;

    std::unique_ptr<StatusItem> addItem() override;

private:
    MainQueue& m_queue;
    SystemLog& m_log;
};

}  // namespace tarnlet::linux_desktop
