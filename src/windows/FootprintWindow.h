#pragma once
// The translucent preview of where a window will land: an accent-coloured rounded rectangle that
// fades in at a frame, glides between frames while shown, and fades out. The panel is made on the
// first show and kept (transparent or off screen) until dispose().
//
//     footprint.show(frame);   // fades in over 0.09 s, or glides there when already visible
//     footprint.hide();        // fades out over 0.12 s; a show() meanwhile keeps it up
//
// Main thread only.

#include <memory>

#include "base/Geometry.h"
#include "base/WeakToken.h"
#include "platform/Panels.h"

namespace tarnlet {

class FootprintWindow {
public:
    static constexpr int kLevel = 8;                         // floating
    static constexpr std::uint64_t kCollectionBehavior = 321;  // all desktops, no cycling, full screen
    static constexpr double kShowDuration = 0.09;
    static constexpr double kHideDuration = 0.12;
    // The system's accent colour.
    static constexpr Color kAccent = Color::rgb255(10, 132, 255);

    explicit FootprintWindow(Panels& panels) : m_panels(panels) {}
    ~FootprintWindow() { dispose(); }
    FootprintWindow(const FootprintWindow&) = delete;
    FootprintWindow& operator=(const FootprintWindow&) = delete;

    void show(const Rect& frame);
    void hide();
    void dispose();

    bool hiding() const { return m_hiding; }
    // True while the panel is on screen and not fully transparent.
    bool isVisible() const;
    const Panel* window() const { return m_window.get(); }

private:
    Panels& m_panels;
    std::shared_ptr<PanelContent> m_view;
    std::unique_ptr<Panel> m_window;
    bool m_hiding = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
