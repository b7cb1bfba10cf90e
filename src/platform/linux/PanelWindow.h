#pragma once
// The X11 window behind one panel: frameless, translucent, kept above ordinary windows, never
// focused, and drawn from the panel's content through the Cairo renderer at the screen's pixel
// ratio, so the window's pixels are those of a PNG snapshot of the same content.
//
// The window is managed by the window manager rather than override-redirect: as a notification
// window (utility where notifications are unknown) in the "above" layer, on every desktop, outside
// the taskbar and the pager, with an input hint that refuses focus. A managed window keeps its place
// above the others when the window manager raises a newly mapped one; an override-redirect window
// would sink below it. A window that ignores the mouse has an empty input shape, so clicks fall
// through to whatever lies below.
//
// Main thread only.

#include <QWidget>
#include <memory>

namespace tarnlet {
class PanelContent;
}

namespace tarnlet::linux_desktop {

class PanelWindow : public QWidget {
public:
    explicit PanelWindow(bool ignoresMouse);
    ~PanelWindow() override;

    void setContent(std::shared_ptr<PanelContent> content);
    // Maps the window without activating it.
    void showPanel();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The window manager drops the window's states when it is unmapped: they are set before each map.
    void setX11Hints();

    std::shared_ptr<PanelContent> m_content;
};

}  // namespace tarnlet::linux_desktop
