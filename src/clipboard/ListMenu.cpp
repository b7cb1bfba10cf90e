#include "clipboard/ListMenu.h"

#include <algorithm>
#include <cmath>

namespace tarnlet {

ListMenu::ListMenu(Panels& panels, Mouse& mouse, Screens& screens, TextMeasurer& measurer)
    : m_panels(panels), m_mouse(mouse), m_screens(screens), m_measurer(measurer) {}

ListMenu::~ListMenu() { close(); }

Rect ListMenu::visibleFrameAt(Point point, const std::vector<Screen>& screens) {
    for (const auto& screen : screens)
        if (screen.frame.contains(point)) return screen.visibleFrame;
    if (!screens.empty()) return screens.front().visibleFrame;
    return Rect(0, 0, kFallbackScreenWidth, kFallbackScreenHeight);
}

Rect ListMenu::placement(Point pointer, Size size, const Rect& visibleFrame) {
    double x = std::max(pointer.x + kPointerGap, visibleFrame.minX());
    x = std::min(x, visibleFrame.maxX() - size.width);
    double y = std::max(pointer.y - size.height - kPointerGap, visibleFrame.minY());
    y = std::min(y, visibleFrame.maxY() - size.height);
    return Rect(x, y, size.width, size.height);
}

int ListMenu::rowsThatFit(const Rect& visibleFrame) {
    const double room = visibleFrame.height() - ListMenuView::kHeaderHeight - ListMenuView::kFooterHeight;
    const double rows = std::floor(room / ListMenuView::kRowHeight);
    return rows >= 1 ? static_cast<int>(std::min(rows, 10000.0)) : 1;
}

void ListMenu::show(std::vector<Item> items, Header header, std::vector<std::string> footer, int visibleRows) {
    close();
    const Point pointer = m_mouse.location();
    m_visibleFrame = visibleFrameAt(pointer, m_screens.screens());
    // Rows the screen cannot hold could be neither seen nor clicked; they scroll instead.
    const int rows = std::min(std::max(visibleRows, 1), rowsThatFit(m_visibleFrame));
    m_content = std::make_shared<ListMenuView>(std::move(items), std::move(header), std::move(footer), rows, m_emptyText,
                                               m_measurer, m_appearance);
    // The pointer rests where the menu opens: only a move away from here is a hover.
    m_content->mouseMovedTo(pointer);
    const Rect frame = placement(pointer, m_content->size(), m_visibleFrame);
    m_panel = m_panels.show(m_content, frame, PanelOptions{kLevel, kCollectionBehavior, false, 1.0});
    m_monitor = m_mouse.addLocalMonitor(MouseMask::moved | MouseMask::leftDragged | MouseMask::leftUp,
                                        m_weak.bind([this](const MouseEvent& event) { mouseEvent(event); }));
}

void ListMenu::update(std::vector<Item> items, Header header) {
    if (!m_panel || !m_content) return;
    const Rect old = m_panel->frame();
    m_content->update(std::move(items), std::move(header));
    const Size size = m_content->size();
    double y = old.maxY() - size.height;
    // Growing downwards past the bottom of the screen would hide rows; the panel rises instead.
    if (y < m_visibleFrame.minY()) y = std::min(m_visibleFrame.minY(), m_visibleFrame.maxY() - size.height);
    m_panel->replace(m_content, Rect(old.minX(), y, size.width, size.height));
}

void ListMenu::highlight(int row) {
    if (!m_panel || !m_content) return;
    if (m_content->highlight(row)) redraw();
}

void ListMenu::close() {
    m_monitor.reset();
    if (m_panel) m_panel->remove();
    m_panel.reset();
    m_content.reset();
}

void ListMenu::setEmptyText(std::string text) {
    m_emptyText = std::move(text);
    if (m_content && m_content->setEmptyText(m_emptyText)) redraw();
}

void ListMenu::setAppearance(Appearance appearance) {
    m_appearance = appearance;
    if (m_content && m_content->setAppearance(appearance)) redraw();
}

void ListMenu::redraw() {
    if (m_panel && m_content) m_panel->replace(m_content, m_panel->frame());
}

void ListMenu::report(const std::function<void(int)>& callback, int row) {
    // A copy: the callback may destroy the menu, and with it the field it came from.
    if (auto call = callback) call(row);
}

void ListMenu::mouseEvent(const MouseEvent& event) {
    if (!m_panel || !m_content || !m_panel->isOnScreen()) return;
    const Rect frame = m_panel->frame();
    // Local monitors hear the events over all of this application's panels, not only this one.
    const bool over = frame.contains(event.location);
    const Point local{event.location.x - frame.minX(), event.location.y - frame.minY()};
    switch (event.type) {
    case MouseEventType::moved:
    case MouseEventType::leftDragged:
        if (!m_content->mouseMovedTo(event.location) || !over) return;
        if (auto row = m_content->rowAt(local)) report(onHover, *row);
        break;
    case MouseEventType::leftUp:
        m_content->mouseMovedTo(event.location);
        if (!over) return;
        if (auto row = m_content->rowAt(local)) report(onPick, *row);
        break;
    case MouseEventType::leftDown:
    case MouseEventType::rightDown:
        break;
    }
}

}  // namespace tarnlet
