#include "notch/ScreenSurface.h"

#include "notch/NotchBarView.h"
#include "notch/NotchGeometry.h"
#include "platform/Panels.h"
#include "platform/Screens.h"

namespace tarnlet {

namespace {

class PanelMount : public NotchMount {
public:
    PanelMount(std::shared_ptr<NotchBarView> bar, std::unique_ptr<Panel> panel) : m_bar(std::move(bar)), m_panel(std::move(panel)) {}
    ~PanelMount() override { m_panel->remove(); }

    std::shared_ptr<NotchBarView> bar() const override { return m_bar; }
    void replace(std::shared_ptr<NotchBarView> bar, Rect frame) override {
        m_bar = std::move(bar);
        m_panel->replace(m_bar, frame);
    }
    void remove() override { m_panel->remove(); }

private:
    std::shared_ptr<NotchBarView> m_bar;
    std::unique_ptr<Panel> m_panel;
};

}  // namespace

std::optional<Rect> ScreenSurface::notchRect() {
    if (auto hud = NotchGeometry::hudScreen(m_screens.screens())) return hud->notch;
    return std::nullopt;
}

std::unique_ptr<NotchMount> ScreenSurface::mount(std::shared_ptr<NotchBarView> bar, Rect frame) {
    PanelOptions options;
    options.level = kPanelLevel;
    options.collectionBehavior = kCollectionBehavior;
    options.ignoresMouse = true;
    auto panel = m_panels.show(bar, frame, options);
    return std::make_unique<PanelMount>(std::move(bar), std::move(panel));
}

bool ScreenSurface::hasPhysicalNotch() const { return NotchGeometry::hasPhysicalNotch(m_screens.screens()); }

}  // namespace tarnlet
