#pragma once
// What a list menu shows: its rows and the line above them. Plain values, built by the pickers and
// handed to ListMenu; safe to copy on any thread.
//
//     ListMenuItem{"1", "git status", std::nullopt, "pin.fill", true}
//     ListMenuHeader::search(query, "Search snippets")

#include <optional>
#include <string>
#include <variant>

namespace tarnlet {

// One row of the menu.
struct ListMenuItem {
    std::optional<std::string> slot;    // the short label at the left ("1"), none for no label
    std::string title;                  // the main text
    std::optional<std::string> detail;  // a second, smaller text at the right
    std::optional<std::string> symbol;  // a system symbol drawn at the right edge
    bool mono = false;                  // the title in the monospaced face

    friend bool operator==(const ListMenuItem&, const ListMenuItem&) = default;
};

// The line above the rows: a fixed caption, or the search line of what the user has typed.
class ListMenuHeader {
public:
    struct Caption {
        std::string text;
        friend bool operator==(const Caption&, const Caption&) = default;
    };
    struct Search {
        std::string query;
        std::string placeholder;
        friend bool operator==(const Search&, const Search&) = default;
    };

    // The block caret that follows a typed query.
    static constexpr const char* kCaret = "▌";

    static ListMenuHeader caption(std::string text) { return ListMenuHeader(Caption{std::move(text)}); }
    static ListMenuHeader search(std::string query, std::string placeholder) {
        return ListMenuHeader(Search{std::move(query), std::move(placeholder)});
    }

    const std::variant<Caption, Search>& kind() const { return m_kind; }
    bool isSearch() const { return std::holds_alternative<Search>(m_kind); }
    // True for a search line with nothing typed yet: it shows its placeholder.
    bool showsPlaceholder() const {
        const auto* s = std::get_if<Search>(&m_kind);
        return s && s->query.empty();
    }
    // The text of the line as drawn: the caption, the placeholder, or the query and the caret.
    std::string line() const {
        if (const auto* c = std::get_if<Caption>(&m_kind)) return c->text;
        const auto& s = std::get<Search>(m_kind);
        return s.query.empty() ? s.placeholder : s.query + kCaret;
    }

    friend bool operator==(const ListMenuHeader&, const ListMenuHeader&) = default;

private:
    explicit ListMenuHeader(std::variant<Caption, Search> kind) : m_kind(std::move(kind)) {}
    std::variant<Caption, Search> m_kind;
};

}  // namespace tarnlet
