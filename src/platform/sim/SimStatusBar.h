#pragma once
// The simulated menu bar: status items with their images, clicks on them, and the one menu that
// can be open at a time. Choosing an item closes the menu first and then runs its action, as the
// system does; a disabled item or a separator cannot be chosen.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/StatusBar.h"

namespace tarnlet::sim {

class SimStatusBar : public StatusBar {
public:
    SimStatusBar();
    ~SimStatusBar() override;

    std::unique_ptr<StatusItem> addItem() override;

    // The user clicks the first item in the bar; false when there is none.
    bool click(StatusClick button);
    // The image of the first item; none when there is no item or no image yet.
    std::optional<Image> image() const;
    std::size_t itemCount() const;

    bool isMenuOpen() const { return m_open.has_value(); }
    const Menu& openMenu() const;
    // Chooses an item of the open menu by its titles, one per level ("Keep Awake", "30 minutes");
    // false when the menu is closed or no enabled item has that path.
    bool choose(const std::vector<std::string>& path);
    // The user closes the open menu without choosing.
    void dismissMenu();
    // Told of every menu that opens.
    std::function<void(const Menu&)> onMenuOpened;

    struct Item;

private:
    struct OpenMenu {
        Menu menu;
        std::function<void()> onClose;
    };
    std::shared_ptr<std::vector<Item*>> m_items;
    std::optional<OpenMenu> m_open;
};

}  // namespace tarnlet::sim
