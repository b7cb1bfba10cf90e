#pragma once
// The menu bar's status items and their menus. A menu is plain data: items with titles, check
// marks, key equivalents, images, submenus and an action each. The system runs an item's action
// after its menu has closed. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Image.h"

namespace tarnlet {

struct MenuItem {
    bool isSeparator = false;
    std::string title;
    std::string keyEquivalent;  // "," or "q", with Command; empty for none
    bool checked = false;
    bool enabled = true;
    int indentation = 0;  // levels
    int tag = 0;
    std::optional<Image> image;
    std::function<void()> action;
    std::vector<MenuItem> submenu;

    static MenuItem separator() {
        MenuItem item;
        item.isSeparator = true;
        return item;
    }
};

using Menu = std::vector<MenuItem>;

enum class StatusClick { left, right };

// One item in the menu bar; destroying the handle takes it out of the bar.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // The button's picture, drawn as a template (tinted by the system to suit the bar).
    virtual void setImage(const Image& image) = 0;
    // Called on left-mouse-up and right-mouse-up over the button.
    virtual void setOnClick(std::function<void(StatusClick)> onClick) = 0;
    // Opens the menu under the button; onClose runs when it closes, before any chosen action.
    virtual void popUpMenu(Menu menu, std::function<void()> onClose) = 0;
};

class StatusBar {
public:
    virtual ~StatusBar() = default;
    // A new item of variable length at the end of the bar.
    virtual std::unique_ptr<StatusItem> addItem() = 0;
};

}  // namespace tarnlet
