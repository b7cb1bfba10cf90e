#pragma once
// Panels as real windows on the X11 session (see PanelWindow for what kind of window). Frames are
// desktop coordinates, turned into X11 ones at the boundary; a panel's level becomes its place in
// the stacking order among this application's panels, higher levels above and, within a level, the
// panel brought to the front last above the others. Its opacity is the window's opacity, which
// needs a compositing manager: without one the panels show opaque, and a log line says so once.
//
// Animations run on the main queue's clock: the in-between opacity and frame are worked out from
// the clock whenever they are read, and while one runs a ~60 Hz tick of posted work puts them on
// screen. Completions are posted work owned by the panel, so none reports once it is destroyed.
//
//     QtPanels panels(queue, log);
//     auto panel = panels.show(content, frame, PanelOptions{.level = 25, .ignoresMouse = true});
//     panel->animate({.alpha = 0, .duration = 0.3}, [&] { panel->remove(); });
//
// Main thread only; Qt's application object must exist.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Panels.h"

namespace tarnlet {
class MainQueue;
class SystemLog;
}  // namespace tarnlet

namespace tarnlet::linux_desktop {

class QtPanel;

class QtPanels : public Panels {
public:
    QtPanels(MainQueue& queue, SystemLog& log);
    ~QtPanels() override;
    QtPanels(const QtPanels&) = delete;
    QtPanels& operator=(const QtPanels&) = delete;

    std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) override;

    // The seconds between two animation frames.
    static constexpr double kFrameInterval = 1.0 / 60;

private:
    friend class QtPanel;
    // Raises the panels on screen in stacking order, lowest first.
    void restack();
    void forget(const QtPanel* panel);
    std::uint64_t nextFrontOrder() { return ++m_frontOrders; }
    void noteCompositor();

    MainQueue& m_queue;
    SystemLog& m_log;
    std::vector<QtPanel*> m_panels;
    std::uint64_t m_frontOrders = 0;
    bool m_compositorChecked = false;
};

}  // namespace tarnlet::linux_desktop
