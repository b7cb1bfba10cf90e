#include "clipboard/ClipboardMenu.h"

#include <algorithm>

namespace tarnlet {

namespace {

std::string_view trimmed(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

bool has(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

const char* symbolFor(ClipboardMenu::Kind kind) {
    switch (kind) {
        case ClipboardMenu::Kind::link: return "link";
        case ClipboardMenu::Kind::email: return "envelope";
        case ClipboardMenu::Kind::code: return "chevron.left.forwardslash.chevron.right";
        case ClipboardMenu::Kind::text: return "text.alignleft";
    }
    return "text.alignleft";
}

}  // namespace

ClipboardMenu::ClipboardMenu(Panels& panels, Mouse& mouse, Screens& screens, TextMeasurer& measurer)
    : m_menu(panels, mouse, screens, measurer) {
    // The list reports rows from 0; the picker counts slots from 1. The menu is a member, so the
    // callbacks cannot outlive this object.
    m_menu.onPick = [this](int row) {
        if (onPick) onPick(row + 1);
    };
    m_menu.onHover = [this](int row) {
        if (onHover) onHover(row + 1);
    };
}

ClipboardMenu::Kind ClipboardMenu::kind(std::string_view preview) {
    const std::string_view s = trimmed(preview);
    const bool space = has(s, " ");
    if (has(s, "://") || s.starts_with("www.")) return Kind::link;
    if (!space && !has(s, "@") && has(s, ".") && has(s, "/")) return Kind::link;
    if (!space && has(s, "@") && has(s, ".")) return Kind::email;
    const auto codeMarks = std::count_if(s.begin(), s.end(), [](char c) {
        return c == '{' || c == '}' || c == '(' || c == ')' || c == ';';
    });
    if (codeMarks >= 2) return Kind::code;
    // A single word shows monospaced.
    return space ? Kind::text : Kind::code;
}

std::string ClipboardMenu::caption(ClipboardTab tab) {
    return tab == ClipboardTab::recent ? "[ Recent ]  Pins  ·  slot 1 = current" : "Recent  [ Pins ]";
}

std::vector<ListMenu::Item> ClipboardMenu::items(const std::vector<std::string>& previews, const std::vector<bool>& pinned) {
    std::vector<ListMenu::Item> out;
    for (std::size_t i = 0; i < previews.size(); ++i) {
        const Kind k = kind(previews[i]);
        const bool pin = i < pinned.size() && pinned[i];
        out.push_back({std::to_string(i + 1), previews[i], std::nullopt, std::string(pin ? "pin.fill" : symbolFor(k)),
                       k == Kind::code});
    }
    return out;
}

void ClipboardMenu::show(const std::vector<std::string>& previews, const std::vector<bool>& pinned, ClipboardTab tab) {
    m_menu.setEmptyText(tab == ClipboardTab::pins ? kNoPinsText : kNothingCopiedText);
    m_menu.show(items(previews, pinned), ListMenu::Header::caption(caption(tab)),
                {"↑↓ move", "←→ tabs", "⏎ paste", "1–9 direct", "esc"}, kVisibleRows);
}

void ClipboardMenu::update(const std::vector<std::string>& previews, const std::vector<bool>& pinned, ClipboardTab tab) {
    m_menu.setEmptyText(tab == ClipboardTab::pins ? kNoPinsText : kNothingCopiedText);
    m_menu.update(items(previews, pinned), ListMenu::Header::caption(caption(tab)));
}

void ClipboardMenu::highlight(int slot) { m_menu.highlight(slot - 1); }

void ClipboardMenu::close() { m_menu.close(); }

}  // namespace tarnlet
