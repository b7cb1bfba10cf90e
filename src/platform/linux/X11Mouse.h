#pragma once
// The pointer on an X11 session.
//
// Global monitors hear XInput2 raw motion and button events, which reach every client whatever
// window the pointer is over and whatever grab is active. A raw event carries no position, so the
// pointer's position is read when the event is delivered. Raw events name the physical button; the
// pointer's button mapping (swapped for left-handed users) turns it into the logical one. Buttons
// other than the left and right, the wheel among them, are not reported, and a motion with only
// another button held is no event the monitors ask for.
//
// Local monitors hear Qt's own mouse events on this application's windows (an application-wide
// event filter). As on the original desktop, an event aimed at one of this application's windows
// goes to the local monitors only: global monitors skip a motion or press over such a window, and
// the drags and the release that follow a press go where the press went (X's implicit grab does the
// same with the window events). A window that lets the mouse through is not aimed at.
//
// The drag pasteboard's change count grows by one each time a client takes ownership of the
// XdndSelection selection, which a drag source does at the start of every drag (XFixes selection
// notifications). It counts the changes this process has read, so it is as current as the last turn
// of the event loop.
//
// Without XInput 2.1 global monitors hear nothing; without XFixes the drag count stays 0. Main
// thread only; Qt's application object must exist. Handlers run on the main thread, in the order the
// monitors were added, and a handler may remove any monitor (its own too).

#include <cstdint>
#include <memory>
#include <vector>

#include <xcb/xcb.h>

#include "platform/Mouse.h"

namespace tarnlet::linux_desktop {

class X11EventConnection;

class X11Mouse : public Mouse {
public:
    X11Mouse();
    ~X11Mouse() override;
    X11Mouse(const X11Mouse&) = delete;
    X11Mouse& operator=(const X11Mouse&) = delete;

    Point location() const override;
    std::unique_ptr<MouseMonitor> addGlobalMonitor(MouseEventMask mask, Handler handler) override;
    std::unique_ptr<MouseMonitor> addLocalMonitor(MouseEventMask mask, Handler handler) override;
    int dragPasteboardChangeCount() const override { return m_dragPasteboardChangeCount; }

    // Whether global monitors can hear anything (XInput 2.1 present and its connection alive).
    bool hearsGlobalEvents() const;

    struct Monitor;  // shared with the monitor handles, which may outlive the mouse

private:
    class LocalEvents;  // the application-wide filter of Qt's mouse events

    void handle(const xcb_generic_event_t& event);
    void rawButton(std::uint32_t physical, bool pressed);
    void rawMotion();
    void readButtonMapping();
    std::uint32_t logicalButton(std::uint32_t physical) const;
    bool isHeld(std::uint32_t logical) const;
    void deliverGlobal(MouseEventType type, bool aimedAtOwnWindow);
    // Calls the live monitors of one kind that ask for this event, in the order they were added.
    void deliver(const MouseEvent& event, bool global);
    std::unique_ptr<MouseMonitor> add(bool global, MouseEventMask mask, Handler handler);
    bool wantsGlobal(MouseEventType type) const;

    std::unique_ptr<X11EventConnection> m_events;
    bool m_hearsRawEvents = false;
    std::uint8_t m_xfixesFirstEvent = 0;
    xcb_atom_t m_dndSelection = XCB_NONE;
    // The logical button of each physical one, from index 1; a physical button beyond it is itself.
    std::vector<std::uint8_t> m_buttonMap;
    // The physical buttons held, one bit each (buttons beyond 31 are not followed).
    std::uint32_t m_heldPhysical = 0;
    // Whether the left press under way went to one of this application's windows.
    bool m_leftPressedOnOwnWindow = false;
    std::vector<std::shared_ptr<Monitor>> m_monitors;  // in the order added
    std::unique_ptr<LocalEvents> m_localEvents;
    int m_dragPasteboardChangeCount = 0;
};

}  // namespace tarnlet::linux_desktop
