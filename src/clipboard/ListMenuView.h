#pragma once
// The content of a list menu's panel: a rounded, bordered plate with a header line, rows (in a
// scrolling area when there are more of them than visible rows), an empty label and a footer of
// key hints. The view is a model: it lays its rows out from measured text, keeps the highlighted
// row and the scroll position, finds the row under a point, and produces the drawing of its whole
// panel for a renderer. ListMenu builds and owns it; tests and snapshots read it.
//
//     auto view = std::make_shared<ListMenuView>(items, header, hints, 5, "No matches", measurer);
//     view->highlight(3);                 // scrolls row 3 into sight
//     renderer.renderPNG(view->drawing(), 2, file);
//
// View coordinates are points with the origin at the bottom-left of the panel, y up. Row numbers
// are 0-based indexes into the items. Main thread only.

#include <optional>
#include <string>
#include <vector>

#include "base/Drawing.h"
#include "clipboard/ListMenuItem.h"
#include "platform/Panels.h"

namespace tarnlet {

class TextMeasurer;

class ListMenuView : public PanelContent {
public:
    using Item = ListMenuItem;
    using Header = ListMenuHeader;

    // The system appearance the plate, border and texts follow.
    enum class Appearance { light, dark };

    static constexpr double kWidth = 340;
    static constexpr double kRowWidth = 328;
    static constexpr double kRowHeight = 34;
    static constexpr double kHeaderHeight = 35;
    static constexpr double kFooterHeight = 30;
    static constexpr double kCornerRadius = 13;
    static constexpr double kBorderWidth = 1;

    static constexpr double kHeaderX = 16;
    static constexpr double kHeaderTextWidth = 308;
    static constexpr double kHeaderTextHeight = 15;
    static constexpr double kHeaderGap = 4;  // between the header text and the rows

    static constexpr double kSlotX = 10;
    static constexpr double kSlotWidth = 16;
    static constexpr double kSlotHeight = 14;
    static constexpr double kTitleX = 37;
    static constexpr double kSymbolSide = 16;
    static constexpr double kSymbolPointSize = 14;
    static constexpr double kSymbolTrailing = 10;
    static constexpr double kDetailGap = 10;
    static constexpr double kHighlightRadius = 7;

    static constexpr double kFooterX = 11;
    static constexpr double kFooterBottom = 5;
    static constexpr double kFooterSpacing = 14;

    // The interface has no medium weight; the regular face is the nearer of the two it offers.
    static constexpr Font kHeaderFont{FontRole::monospaced, 12, false};
    static constexpr Font kSlotFont{FontRole::monospaced, 12, false};
    static constexpr Font kTitleFont{FontRole::system, 12.5, false};
    static constexpr Font kMonoTitleFont{FontRole::monospaced, 12, false};
    static constexpr Font kDetailFont{FontRole::system, 11.5, false};
    static constexpr Font kFooterFont{FontRole::monospaced, 9.5, false};
    static constexpr Font kEmptyFont{FontRole::system, 12.5, false};

    // Texts longer than this many bytes are cut before they are measured or drawn: no row or
    // header line can show more, and a pasted megabyte must not slow every redraw.
    static constexpr std::size_t kLongestDrawnText = 1024;

    struct Palette {
        Color plate;
        Color border;
        Color text;
        Color secondaryText;
        Color highlight;
        Color highlightedText;
        Color highlightedSecondaryText;
    };
    static const Palette& palette(Appearance appearance);

    // The rows shown without scrolling: the rows asked for (at least one), but never more than
    // there are items, and one row's room even with no items, for the empty label.
    static int shownRows(std::size_t itemCount, int visibleRows);
    // The panel's size for that many items and visible rows.
    static Size sizeFor(std::size_t itemCount, int visibleRows);

    ListMenuView(std::vector<Item> items, Header header, std::vector<std::string> footer, int visibleRows,
                 std::string emptyText, TextMeasurer& measurer, Appearance appearance = Appearance::light);

    const std::vector<Item>& items() const { return m_items; }
    const Header& header() const { return m_header; }
    const std::vector<std::string>& footer() const { return m_footer; }
    const std::string& emptyText() const { return m_emptyText; }
    // The rows visible without scrolling, as asked for (at least one).
    int visibleRows() const { return m_visibleRows; }
    Appearance appearance() const { return m_appearance; }
    // The highlighted row; none only when there are no items.
    std::optional<int> highlighted() const { return m_highlighted; }
    // How far the rows are scrolled up, in points; 0 shows the first row at the top.
    double scrollOffset() const { return m_scrollOffset; }
    Size size() const { return sizeFor(m_items.size(), m_visibleRows); }
    // True when there are more items than visible rows, so the rows scroll.
    bool isScrolling() const { return m_items.size() > static_cast<std::size_t>(m_visibleRows); }

    // New rows and header in place: row 0 is highlighted and the rows scroll back to the top.
    void update(std::vector<Item> items, Header header);
    // Highlights a row and scrolls the least needed to show it whole. A row that does not exist is
    // ignored. True when anything drawn changed.
    bool highlight(int row);
    // True when anything drawn changed.
    bool setEmptyText(std::string text);
    bool setAppearance(Appearance appearance);

    // The area the rows show in, and a row's frame, which lies partly or wholly outside the area
    // when the rows are scrolled.
    Rect rowArea() const;
    Rect rowFrame(int row) const;
    // The row shown under a point, none over the header, the footer, the margins or an empty row.
    std::optional<int> rowAt(Point point) const;
    // Remembers where the mouse is, in screen coordinates; false when it has not moved since the
    // last location remembered. A panel that grows or scrolls under a resting pointer may be told
    // of a "move" that never happened, and that must not steal the keyboard's highlight.
    bool mouseMovedTo(Point location);

    Drawing drawing() const override;

private:
    struct RowLayout {
        std::optional<draw::Text> slot;
        draw::Text title;
        std::optional<draw::Text> detail;
        std::optional<draw::Symbol> symbol;
    };

    void layoutHeader();
    void layoutEmptyLabel();
    void layoutFooter();
    // The end of a line that fits a width, after an ellipsis: a long query keeps its caret in sight.
    std::string tailThatFits(const std::string& line, const Font& font, double width) const;
    // Frames in the row's own coordinates (origin at its bottom-left); colours are set at drawing.
    RowLayout layoutRow(const Item& item) const;
    const RowLayout& rowLayout(int row) const;
    void drawRow(Drawing& out, int row, const Palette& colors) const;

    std::vector<Item> m_items;
    Header m_header;
    std::vector<std::string> m_footer;
    int m_visibleRows;
    std::string m_emptyText;
    TextMeasurer& m_measurer;
    Appearance m_appearance;

    std::optional<int> m_highlighted;
    double m_scrollOffset = 0;
    std::optional<Point> m_lastMouseLocation;

    // Line heights of the fonts, measured once.
    double m_slotLineHeight = 0, m_titleLineHeight = 0, m_monoTitleLineHeight = 0, m_detailLineHeight = 0;
    // Laid out in view coordinates; colours are set at drawing.
    draw::Text m_headerText;
    std::optional<draw::Text> m_emptyLabel;
    std::vector<draw::Text> m_footerTexts;
    // Rows are laid out when first drawn, so a long list costs only the rows ever shown.
    mutable std::vector<std::optional<RowLayout>> m_rowLayouts;
};

}  // namespace tarnlet
