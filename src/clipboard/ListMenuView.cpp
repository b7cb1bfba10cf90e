#include "clipboard/ListMenuView.h"

#include <algorithm>
#include <cmath>

#include "platform/TextMeasurer.h"

namespace tarnlet {

namespace {

constexpr const char* kEllipsis = "…";

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first bytes of a text, cut at a character boundary.
std::string head(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    while (end > 0 && isContinuationByte(text[end])) --end;
    return text.substr(0, end);
}

// The last bytes of a text, cut at a character boundary.
std::string tail(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t start = text.size() - bytes;
    while (start < text.size() && isContinuationByte(text[start])) ++start;
    return text.substr(start);
}

Path rectPath(const Rect& r) {
    Path p;
    p.moveTo({r.minX(), r.minY()}).lineTo({r.maxX(), r.minY()}).lineTo({r.maxX(), r.maxY()}).lineTo({r.minX(), r.maxY()});
    p.close();
    return p;
}

draw::Text placed(draw::Text text, Point origin, Color color) {
    text.frame = text.frame.offsetBy(origin.x, origin.y);
    text.color = color;
    return text;
}

}  // namespace

const ListMenuView::Palette& ListMenuView::palette(Appearance appearance) {
    static const Palette light{Color::rgb255(242, 242, 245, 0.97), Color::black(0.14),  Color::black(0.86),
                               Color::black(0.5),                  Color::rgb255(0, 122, 255), Color::white(),
                               Color::white(0.8)};
    static const Palette dark{Color::rgb255(36, 36, 40, 0.97), Color::white(0.16),  Color::white(0.92),
                              Color::white(0.55),              Color::rgb255(10, 132, 255), Color::white(),
                              Color::white(0.8)};
    return appearance == Appearance::dark ? dark : light;
}

int ListMenuView::shownRows(std::size_t itemCount, int visibleRows) {
    const std::size_t wanted = static_cast<std::size_t>(std::max(visibleRows, 1));
    return static_cast<int>(std::min(wanted, std::max<std::size_t>(itemCount, 1)));
}

Size ListMenuView::sizeFor(std::size_t itemCount, int visibleRows) {
    return {kWidth, kRowHeight * shownRows(itemCount, visibleRows) + kHeaderHeight + kFooterHeight};
}

ListMenuView::ListMenuView(std::vector<Item> items, Header header, std::vector<std::string> footer, int visibleRows,
                           std::string emptyText, TextMeasurer& measurer, Appearance appearance)
    : m_header(std::move(header)), m_footer(std::move(footer)), m_visibleRows(std::max(visibleRows, 1)),
      m_emptyText(std::move(emptyText)), m_measurer(measurer), m_appearance(appearance) {
    // Any text of a font has the same line height; the measurer caches nothing for us.
    m_slotLineHeight = m_measurer.measure("0", kSlotFont).height;
    m_titleLineHeight = m_measurer.measure("Hg", kTitleFont).height;
    m_monoTitleLineHeight = m_measurer.measure("Hg", kMonoTitleFont).height;
    m_detailLineHeight = m_measurer.measure("Hg", kDetailFont).height;
    layoutFooter();
    update(std::move(items), m_header);
}

void ListMenuView::update(std::vector<Item> items, Header header) {
    m_items = std::move(items);
    m_header = std::move(header);
    m_rowLayouts.assign(m_items.size(), std::nullopt);
    m_highlighted = m_items.empty() ? std::nullopt : std::optional<int>(0);
    m_scrollOffset = 0;
    layoutHeader();
    layoutEmptyLabel();
}

bool ListMenuView::highlight(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_items.size()) return false;
    const bool changed = m_highlighted != row;
    m_highlighted = row;
    const double top = kRowHeight * row;
    const double visible = rowArea().height();
    double offset = m_scrollOffset;
    if (top < offset) offset = top;
    else if (top + kRowHeight > offset + visible) offset = top + kRowHeight - visible;
    const bool scrolled = offset != m_scrollOffset;
    m_scrollOffset = offset;
    return changed || scrolled;
}

bool ListMenuView::setEmptyText(std::string text) {
    if (text == m_emptyText) return false;
    m_emptyText = std::move(text);
    layoutEmptyLabel();
    return m_items.empty();
}

bool ListMenuView::setAppearance(Appearance appearance) {
    if (appearance == m_appearance) return false;
    m_appearance = appearance;
    return true;
}

Rect ListMenuView::rowArea() const {
    return Rect(0, kFooterHeight, kWidth, kRowHeight * shownRows(m_items.size(), m_visibleRows));
}

Rect ListMenuView::rowFrame(int row) const {
    const Rect area = rowArea();
    const double top = area.maxY() + m_scrollOffset - kRowHeight * row;
    return Rect((kWidth - kRowWidth) / 2, top - kRowHeight, kRowWidth, kRowHeight);
}

std::optional<int> ListMenuView::rowAt(Point point) const {
    const Rect area = rowArea();
    if (m_items.empty() || !area.contains(point)) return std::nullopt;
    const double fromTop = area.maxY() + m_scrollOffset - point.y;
    const auto row = static_cast<long long>(std::floor(fromTop / kRowHeight));
    if (row < 0 || static_cast<std::size_t>(row) >= m_items.size()) return std::nullopt;
    if (!rowFrame(static_cast<int>(row)).contains(point)) return std::nullopt;  // the side margins
    return static_cast<int>(row);
}

bool ListMenuView::mouseMovedTo(Point location) {
    const bool moved = m_lastMouseLocation != location;
    m_lastMouseLocation = location;
    return moved;
}

std::string ListMenuView::tailThatFits(const std::string& line, const Font& font, double width) const {
    if (m_measurer.measure(line, font).width <= width) return line;
    // Character starts after the first; the longest tail that fits is found by halving.
    std::vector<std::size_t> starts;
    for (std::size_t i = 1; i < line.size(); ++i)
        if (!isContinuationByte(line[i])) starts.push_back(i);
    std::size_t lo = 0, hi = starts.size();  // the answer lies in starts[lo…hi), or is the last
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (m_measurer.measure(kEllipsis + line.substr(starts[mid]), font).width <= width) hi = mid;
        else lo = mid + 1;
    }
    if (lo == starts.size()) return kEllipsis;
    return kEllipsis + line.substr(starts[lo]);
}

void ListMenuView::layoutHeader() {
    std::string line;
    if (const auto* search = std::get_if<Header::Search>(&m_header.kind()); search && !search->query.empty()) {
        // A long query shows its end, where the typing happens, and never loses its caret.
        line = tailThatFits(tail(search->query, kLongestDrawnText) + Header::kCaret, kHeaderFont, kHeaderTextWidth);
    } else {
        line = head(m_header.line(), kLongestDrawnText);
    }
    const double y = rowArea().maxY() + kHeaderGap;
    m_headerText = draw::Text{std::move(line), kHeaderFont, {}, Rect(kHeaderX, y, kHeaderTextWidth, kHeaderTextHeight)};
}

void ListMenuView::layoutEmptyLabel() {
    m_emptyLabel.reset();
    if (m_emptyText.empty()) return;
    std::string text = head(m_emptyText, kLongestDrawnText);
    const Size s = m_measurer.measure(text, kEmptyFont);
    const double width = std::min(s.width, kHeaderTextWidth);
    const Rect area = rowArea();
    m_emptyLabel = draw::Text{std::move(text), kEmptyFont, {},
                              Rect((kWidth - width) / 2, area.midY() - s.height / 2, width, s.height)};
}

void ListMenuView::layoutFooter() {
    m_footerTexts.clear();
    const double end = kWidth - kFooterX;
    double x = kFooterX;
    for (const auto& hint : m_footer) {
        if (x >= end) break;  // hints past the right edge are left out, the last one cut short
        std::string text = head(hint, kLongestDrawnText);
        const Size s = m_measurer.measure(text, kFooterFont);
        if (!text.empty())
            m_footerTexts.push_back({std::move(text), kFooterFont, {}, Rect(x, kFooterBottom, std::min(s.width, end - x), s.height)});
        x += s.width + kFooterSpacing;
    }
}

ListMenuView::RowLayout ListMenuView::layoutRow(const Item& item) const {
    RowLayout layout;
    const auto centred = [](double lineHeight) { return (kRowHeight - lineHeight) / 2; };

    if (item.slot && !item.slot->empty()) {
        std::string slot = head(*item.slot, kLongestDrawnText);
        const double width = std::min(m_measurer.measure(slot, kSlotFont).width, kSlotWidth);
        layout.slot = draw::Text{std::move(slot), kSlotFont, {},
                                 Rect(kSlotX + (kSlotWidth - width) / 2, centred(m_slotLineHeight), width, m_slotLineHeight)};
    }

    double trailing = kRowWidth - kSymbolTrailing;
    if (item.symbol && !item.symbol->empty()) {
        const Rect box(kRowWidth - kSymbolTrailing - kSymbolSide, (kRowHeight - kSymbolSide) / 2, kSymbolSide, kSymbolSide);
        // The symbol is drawn at its point size, centred in its box.
        const double inset = (kSymbolSide - kSymbolPointSize) / 2;
        layout.symbol = draw::Symbol{*item.symbol, box.insetBy(inset, inset), {}};
        trailing = box.minX();
    }

    const Font titleFont = item.mono ? kMonoTitleFont : kTitleFont;
    const double titleLineHeight = item.mono ? m_monoTitleLineHeight : m_titleLineHeight;
    std::string title = head(item.title, kLongestDrawnText);
    const double room = trailing - kTitleX;
    double titleWidth = room;

    if (item.detail && !item.detail->empty()) {
        titleWidth = std::min(m_measurer.measure(title, titleFont).width, room / 2);
        const double detailRoom = room - titleWidth - kDetailGap;
        if (detailRoom > 0) {
            std::string detail = head(*item.detail, kLongestDrawnText);
            // Right-aligned against the symbol; a detail too long for its room is cut short.
            const double width = std::min(m_measurer.measure(detail, kDetailFont).width, detailRoom);
            layout.detail = draw::Text{std::move(detail), kDetailFont, {},
                                       Rect(trailing - width, centred(m_detailLineHeight), width, m_detailLineHeight)};
        }
    }
    layout.title = draw::Text{std::move(title), titleFont, {}, Rect(kTitleX, centred(titleLineHeight), titleWidth, titleLineHeight)};
    return layout;
}

const ListMenuView::RowLayout& ListMenuView::rowLayout(int row) const {
    auto& slot = m_rowLayouts[static_cast<std::size_t>(row)];
    if (!slot) slot = layoutRow(m_items[static_cast<std::size_t>(row)]);
    return *slot;
}

void ListMenuView::drawRow(Drawing& out, int row, const Palette& colors) const {
    const Rect frame = rowFrame(row);
    const bool lit = m_highlighted == row;
    if (lit) out.ops.push_back(draw::RoundedRect{frame, kHighlightRadius, colors.highlight, std::nullopt, 0});
    const Color text = lit ? colors.highlightedText : colors.text;
    const Color secondary = lit ? colors.highlightedSecondaryText : colors.secondaryText;
    const RowLayout& layout = rowLayout(row);
    const Point origin = frame.origin;
    if (layout.slot) out.ops.push_back(placed(*layout.slot, origin, secondary));
    out.ops.push_back(placed(layout.title, origin, text));
    if (layout.detail) out.ops.push_back(placed(*layout.detail, origin, secondary));
    if (layout.symbol) {
        draw::Symbol symbol = *layout.symbol;
        symbol.box = symbol.box.offsetBy(origin.x, origin.y);
        symbol.tint = secondary;
        out.ops.push_back(std::move(symbol));
    }
}

Drawing ListMenuView::drawing() const {
    const Palette& colors = palette(m_appearance);
    Drawing d;
    d.size = size();
    d.ops.push_back(draw::RoundedRect{Rect({0, 0}, d.size), kCornerRadius, colors.plate, colors.border, kBorderWidth});

    const bool typed = m_header.isSearch() && !m_header.showsPlaceholder();
    d.ops.push_back(placed(m_headerText, {0, 0}, typed ? colors.text : colors.secondaryText));

    const Rect area = rowArea();
    if (m_items.empty()) {
        if (m_emptyLabel) d.ops.push_back(placed(*m_emptyLabel, {0, 0}, colors.secondaryText));
    } else {
        const bool clipped = isScrolling();
        if (clipped) d.ops.push_back(draw::PushState{1, rectPath(area)});
        // Only the rows in sight are drawn: a long list costs what a short one does.
        const int first = static_cast<int>(std::floor(m_scrollOffset / kRowHeight));
        const int last = std::min(static_cast<int>(m_items.size()) - 1,
                                  static_cast<int>(std::ceil((m_scrollOffset + area.height()) / kRowHeight)) - 1);
        for (int row = std::max(first, 0); row <= last; ++row) drawRow(d, row, colors);
        if (clipped) d.ops.push_back(draw::PopState{});
    }

    for (const auto& hint : m_footerTexts) d.ops.push_back(placed(hint, {0, 0}, colors.secondaryText));
    return d;
}

}  // namespace tarnlet
