#include "platform/sim/SimStatusBar.h"

#include <algorithm>

namespace tarnlet::sim {

struct SimStatusBar::Item : StatusItem {
    Item(SimStatusBar& bar, std::shared_ptr<std::vector<Item*>> items) : bar(&bar), items(std::move(items)) {}
    ~Item() override { std::erase(*items, this); }

    void setImage(const Image& newImage) override { image = newImage; }
    void setOnClick(std::function<void(StatusClick)> handler) override { onClick = std::move(handler); }
    void popUpMenu(Menu menu, std::function<void()> onClose) override {
        bar->dismissMenu();
        bar->m_open = OpenMenu{std::move(menu), std::move(onClose)};
        if (bar->onMenuOpened) bar->onMenuOpened(bar->m_open->menu);
    }

    SimStatusBar* bar;
    std::shared_ptr<std::vector<Item*>> items;  // outlives the bar while the handle lives
    std::optional<Image> image;
    std::function<void(StatusClick)> onClick;
};

SimStatusBar::SimStatusBar() : m_items(std::make_shared<std::vector<Item*>>()) {}

SimStatusBar::~SimStatusBar() {
    // Handles that outlive the bar must not reach back into it.
    for (Item* item : *m_items) item->bar = nullptr;
}

std::unique_ptr<StatusItem> SimStatusBar::addItem() {
    auto item = std::make_unique<Item>(*this, m_items);
    m_items->push_back(item.get());
    return item;
}

bool SimStatusBar::click(StatusClick button) {
    if (m_items->empty()) return false;
    Item* item = m_items->front();
    if (item->onClick) item->onClick(button);
    return true;
}

std::optional<Image> SimStatusBar::image() const {
    if (m_items->empty()) return std::nullopt;
    return m_items->front()->image;
}

std::size_t SimStatusBar::itemCount() const { return m_items->size(); }

const Menu& SimStatusBar::openMenu() const {
    static const Menu kNone;
    return m_open ? m_open->menu : kNone;
}

bool SimStatusBar::choose(const std::vector<std::string>& path) {
    if (!m_open || path.empty()) return false;
    const Menu* level = &m_open->menu;
    const MenuItem* chosen = nullptr;
    for (const std::string& title : path) {
        if (!level) return false;
        const auto it = std::find_if(level->begin(), level->end(), [&](const MenuItem& item) {
            return !item.isSeparator && item.enabled && item.title == title;
        });
        if (it == level->end()) return false;
        chosen = &*it;
        level = chosen->submenu.empty() ? nullptr : &chosen->submenu;
    }
    if (!chosen->action) return false;
    std::function<void()> action = chosen->action;
    dismissMenu();
    if (action) action();
    return true;
}

void SimStatusBar::dismissMenu() {
    if (!m_open) return;
    auto onClose = std::move(m_open->onClose);
    m_open.reset();
    if (onClose) onClose();
}

}  // namespace tarnlet::sim
