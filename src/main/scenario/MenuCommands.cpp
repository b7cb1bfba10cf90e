// The menu-bar icon and its menu.

#include "main/scenario/ScenarioCommands.h"
#include "main/scenario/ScenarioSession.h"

namespace tarnlet::scenario {

namespace {

bool menuHas(const Menu& menu, const std::string& text) {
    for (const MenuItem& item : menu)
        if ((!item.isSeparator && item.title.find(text) != std::string::npos) || menuHas(item.submenu, text)) return true;
    return false;
}

ScenarioAction parseStatusItem(ScenarioWords& w) {
    const bool left = w.oneOf({"click", "right-click"}) == "click";
    return [left](ScenarioSession& s) {
        s.desktop().statusBar().click(left ? StatusClick::left : StatusClick::right);
        return success();
    };
}

ScenarioAction parseMenu(ScenarioWords& w) {
    if (w.left() == 1 && w.take("close")) {
        return [](ScenarioSession& s) {
            s.desktop().statusBar().dismissMenu();
            return success();
        };
    }
    if (!w.take("choose") || w.atEnd()) w.fail();
    std::vector<std::string> path;
    while (!w.atEnd()) path.push_back(w.word());
    return [path](ScenarioSession& s) -> Status {
        auto& statusBar = s.desktop().statusBar();
        if (!statusBar.isMenuOpen()) return Failure{"no menu is open (open it with `status-item click`)"};
        if (statusBar.choose(path)) return success();
        std::string written;
        for (const auto& title : path) written += (written.empty() ? "" : " › ") + ("\"" + clip(title) + "\"");
        return Failure{"the open menu has no enabled item " + written};
    };
}

ScenarioAction parseExpectMenu(ScenarioWords& w, bool negated) {
    const std::string text = negated || w.atEnd() ? std::string() : w.word();
    return [text, negated](ScenarioSession& s) -> Status {
        auto& statusBar = s.desktop().statusBar();
        const bool open = statusBar.isMenuOpen();
        if (negated) return open ? Status(Failure{"expected no open menu, but it shows " + describe(statusBar.openMenu())}) : success();
        if (!open) return Failure{"expected the menu to be open"};
        if (!text.empty() && !menuHas(statusBar.openMenu(), text))
            return Failure{"expected the menu to show \"" + clip(text) + "\"; it shows " + describe(statusBar.openMenu())};
        return success();
    };
}

const ScenarioCommands::Registrar kRegistrar(
    {{"status-item", "usage: status-item click|right-click", parseStatusItem},
     {"menu", "usage: menu choose TITLE [TITLE …] | menu close", parseMenu}},
    {{"menu", "expect menu [\"TEXT\"] | expect no menu", ScenarioExpectation::Negation::allowed, parseExpectMenu}});

}  // namespace

}  // namespace tarnlet::scenario
