#pragma once
// The simulated pointer and its left button. Tests move it, press and release; the mouse delivers
// each event to the monitors, and a press on a window does what the user's hand does: it brings
// the window's application to the front, and a press in the title bar or the bottom-right corner
// grabs the window so that the following drags move or resize it.
//
// Where an event goes: over one of this application's panels that takes the mouse it reaches the
// local monitors only, elsewhere the global monitors only, and the global ones hear nothing while
// the accessibility permission is missing. The window under a press keeps the drag, so dragged
// events go where the press went. A release goes to this application when the press was on one of
// its panels or the release is over one (a drag dropped on our panel ends there), and elsewhere
// otherwise. The pointer stays on the screens, as the real one does; a press is not an event the
// monitors can ask for.
//
// While a window is grabbed, each dragged event first passes the monitors and only then does the
// application move its window: a monitor hearing the first dragged event still finds the window
// where it was. Main thread only; monitors are called in the order they were added, and removing
// one (even the one being called) during a delivery is safe.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/InputEvent.h"
#include "platform/Mouse.h"

namespace tarnlet::sim {

class SimApplications;
class SimPanels;
class SimPermissions;
class SimScreens;

class SimMouse : public Mouse {
public:
    // The height of a window's title bar, from its top edge.
    static constexpr double kTitleBarHeight = 28;
    // How near the bottom-right corner a press grabs the window for resizing.
    static constexpr double kResizeCornerReach = 10;

    SimMouse(SimPermissions& permissions, SimPanels& panels, SimApplications& applications, SimScreens& screens);
    ~SimMouse() override;

    Point location() const override { return m_location; }
    std::unique_ptr<MouseMonitor> addGlobalMonitor(MouseEventMask mask, Handler handler) override;
    std::unique_ptr<MouseMonitor> addLocalMonitor(MouseEventMask mask, Handler handler) override;
    int dragPasteboardChangeCount() const override { return m_dragPasteboardChangeCount; }

    // The hand: the pointer moves (a drag while the button is down), the left button goes down
    // where the pointer is, or comes up. Pressing a button already down or releasing one already up
    // does nothing.
    void moveTo(Point point);
    void leftDown();
    void leftUp();
    // The right button goes down (and up) where the pointer is.
    void rightClick();
    // Moves to `from`, presses, drags to `to` in `steps` equal moves (at least one) and releases.
    void drag(Point from, Point to, int steps);
    bool isLeftDown() const { return m_leftDown; }
    // Every move, press and drag of the hand, as it happens.
    std::function<void(EventType)> onHardwareEvent;

    // Something new went onto the drag pasteboard, as when a drag of files begins.
    void bumpDragPasteboard() { ++m_dragPasteboardChangeCount; }

    // The window the press grabbed, while the button is down and a title bar or corner was hit.
    std::optional<AXElement> grabbedWindow() const;
    // Monitors installed and not yet removed.
    std::size_t globalMonitorCount() const;
    std::size_t localMonitorCount() const;

    struct Monitor;  // shared with the monitor handles, which may outlive the mouse

private:
    enum class Grab { none, move, resize };

    std::unique_ptr<MouseMonitor> add(bool global, MouseEventMask mask, Handler handler);
    void deliver(const MouseEvent& event, bool local);
    bool overOwnPanel(Point point) const;
    Point clampedToScreens(Point point) const;
    void grabWindowAt(Point point);
    void dragGrabbedWindow(Point from, Point to);

    SimPermissions& m_permissions;
    SimPanels& m_panels;
    SimApplications& m_applications;
    SimScreens& m_screens;
    std::shared_ptr<std::vector<std::shared_ptr<Monitor>>> m_monitors;  // in the order added
    Point m_location;
    bool m_leftDown = false;
    bool m_pressedOverOwnPanel = false;
    Grab m_grab = Grab::none;
    AXElement m_grabbedWindow;
    // For a resize: the bottom-right corner's offset from the pointer at the press, so the corner
    // keeps following the pointer even after the window stopped at its minimum size.
    Point m_cornerOffset;
    int m_dragPasteboardChangeCount = 0;
};

}  // namespace tarnlet::sim
