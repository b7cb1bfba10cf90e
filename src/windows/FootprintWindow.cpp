#include "windows/FootprintWindow.h"

#include <functional>

namespace tarnlet {

namespace {

constexpr double kInvisible = 0.01;

// The preview's look: accent at 22 % with a 2-point accent border, radius 10, filling the panel.
class FootprintView : public PanelContent {
public:
    // The size is read when drawn, so the preview follows its panel while it glides.
    explicit FootprintView(std::function<Size()> size) : m_size(std::move(size)) {}
    Drawing drawing() const override {
        const Rect bounds({0, 0}, m_size());
        Drawing d;
        d.size = bounds.size;
        d.ops.push_back(draw::RoundedRect{bounds.insetBy(1, 1), 10, FootprintWindow::kAccent.withAlpha(0.22),
                                          FootprintWindow::kAccent, 2});
        return d;
    }

private:
    std::function<Size()> m_size;
};

}  // namespace

void FootprintWindow::show(const Rect& frame) {
    m_hiding = false;
    if (!m_window) {
        m_view = std::make_shared<FootprintView>(m_weak.bind([this] { return m_window ? m_window->frame().size : Size{}; }));
        m_window = m_panels.show(m_view, frame, PanelOptions{kLevel, kCollectionBehavior, true, 0.0});
    }
    const bool wasVisible = m_window->isOnScreen() && m_window->alpha() >= kInvisible;
    if (!wasVisible) m_window->replace(m_view, frame);
    m_window->orderFront();
    PanelAnimation animation{1.0, std::nullopt, kShowDuration};
    if (wasVisible) animation.frame = frame;
    m_window->animate(animation);
}

void FootprintWindow::hide() {
    if (!m_window || !(m_window->alpha() > kInvisible)) return;
    m_hiding = true;
    m_window->animate(PanelAnimation{0.0, std::nullopt, kHideDuration}, m_weak.bind([this] {
        if (m_hiding && m_window) m_window->remove();
    }));
}

void FootprintWindow::dispose() {
    m_hiding = false;
    if (!m_window) return;
    m_window->remove();
    m_window.reset();
    m_view.reset();
}

bool FootprintWindow::isVisible() const { return m_window && m_window->isOnScreen() && m_window->alpha() >= kInvisible; }

}  // namespace tarnlet
