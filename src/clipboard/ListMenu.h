#pragma once
// The small keyboard-driven popup list both pickers show at the pointer. It only draws and
// reports: the owning picker holds the selection, reads the keyboard through its own key tap and
// tells the menu what to show and which row to highlight; the menu reports the rows the mouse
// hovers and clicks.
//
//     ListMenu menu(panels, mouse, screens, measurer);
//     menu.onPick = [&](int row) { paste(entries[row]); };
//     menu.onHover = [&](int row) { select(row); menu.highlight(row); };
//     menu.show(items, ListMenu::Header::search("", "Search"), {"↩ paste", "esc close"}, 9);
//     menu.update(filtered, ListMenu::Header::search(query, "Search"));   // top edge stays put
//     menu.close();
//
// Rows are 0-based indexes into the items last shown. The callbacks run from mouse events on the
// main queue and hold the menu weakly: one may close or even destroy the menu. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/WeakToken.h"
#include "clipboard/ListMenuItem.h"
#include "clipboard/ListMenuView.h"
#include "platform/Mouse.h"
#include "platform/Panels.h"
#include "platform/Screens.h"

namespace tarnlet {

class TextMeasurer;

class ListMenu {
public:
    using Item = ListMenuItem;
    using Header = ListMenuHeader;
    using Appearance = ListMenuView::Appearance;

    static constexpr int kLevel = 101;                          // the pop-up menu level
    static constexpr std::uint64_t kCollectionBehavior = 321;  // all desktops, no cycling, full screen
    static constexpr double kPointerGap = 4;                    // between the pointer and the panel
    // Where the panel opens when no screen is known at all.
    static constexpr double kFallbackScreenWidth = 1470, kFallbackScreenHeight = 900;
    static constexpr const char* kDefaultEmptyText = "No matches";

    ListMenu(Panels& panels, Mouse& mouse, Screens& screens, TextMeasurer& measurer);
    ~ListMenu();
    ListMenu(const ListMenu&) = delete;
    ListMenu& operator=(const ListMenu&) = delete;

    // A click on a row, and a real move of the mouse over a row.
    std::function<void(int row)> onPick;
    std::function<void(int row)> onHover;

    // Closes any open menu and opens a fresh one just below and right of the pointer, inside the
    // visible frame of the pointer's screen, with row 0 highlighted. `visibleRows` rows show
    // without scrolling (at least one, and no more than the screen holds).
    void show(std::vector<Item> items, Header header, std::vector<std::string> footer, int visibleRows);
    // New rows and header in the open menu, row 0 highlighted; the panel keeps its top edge and
    // grows or shrinks downwards, lifted only as far as it must be to stay on the screen. Nothing
    // when closed.
    void update(std::vector<Item> items, Header header);
    // Highlights a row of the open menu and scrolls it into sight; a row that does not exist is
    // ignored.
    void highlight(int row);
    // Takes the panel away and drops it. Nothing when closed.
    void close();
    bool isOpen() const { return m_panel != nullptr; }

    // Shown in the row area when there are no items.
    const std::string& emptyText() const { return m_emptyText; }
    void setEmptyText(std::string text);
    // The system appearance; an open menu is drawn again in it.
    Appearance appearance() const { return m_appearance; }
    void setAppearance(Appearance appearance);

    // Present while shown.
    const Panel* panel() const { return m_panel.get(); }
    std::shared_ptr<const ListMenuView> content() const { return m_content; }

    // The visible frame of the screen under a point: the screen whose frame holds it, else the
    // first screen, else a stand-in of the fallback size at the origin.
    static Rect visibleFrameAt(Point point, const std::vector<Screen>& screens);
    // The panel's frame for a pointer: its top-left corner just below and right of the pointer,
    // moved left and up as far as needed to stay inside the visible frame.
    static Rect placement(Point pointer, Size size, const Rect& visibleFrame);
    // The most rows that fit a visible frame's height, at least one.
    static int rowsThatFit(const Rect& visibleFrame);

private:
    void mouseEvent(const MouseEvent& event);
    void redraw();
    // Calls a callback with a row; the callback may close or destroy the menu.
    static void report(const std::function<void(int)>& callback, int row);

    Panels& m_panels;
    Mouse& m_mouse;
    Screens& m_screens;
    TextMeasurer& m_measurer;
    std::string m_emptyText = kDefaultEmptyText;
    Appearance m_appearance = Appearance::light;
    Rect m_visibleFrame;  // of the screen the menu opened on
    std::shared_ptr<ListMenuView> m_content;
    std::unique_ptr<Panel> m_panel;
    std::unique_ptr<MouseMonitor> m_monitor;
    WeakFactory m_weak;
};

}  // namespace tarnlet
