#pragma once
// The window server of an X11 session: the window list from the window manager's stacking list
// (_NET_CLIENT_LIST_STACKING), front to back, and the desktops (Spaces) from its desktop hints.
//
// Window records. The number is the client window; the owner is the process the client names
// (_NET_WM_PID); the bounds are the outer frame, in the accessibility interface's coordinates; the
// alpha comes from _NET_WM_WINDOW_OPACITY (1 without it). Ordinary windows and dialogs sit on
// layer 0 (3 when kept above the others), utility windows and toolbars on the floating layer 3,
// docks on 20, menus on 101, notifications on 25, the desktop's own window far below everything.
// A window is on screen while its client is mapped, it is not minimised and it is on the desktop
// shown or on every desktop.
//
// Desktops. EWMH numbers a window manager's desktops from 0, and those numbers are the desktop
// identifiers; a window on every desktop (_NET_WM_DESKTOP 0xFFFFFFFF) is on each of them. The
// lookups are offered while a live window manager announces the desktop hints in _NET_SUPPORTED,
// and are empty otherwise, so the core counts without the other desktops and says so. There is one
// connection identifier, kConnectionID.
//
// Threading: windowList() and the lookups may be called from any thread (each thread reads on a
// connection of its own); showDesktop() on the main thread.

#include <cstdint>

#include "platform/WindowServer.h"

namespace tarnlet::linux_desktop {

class X11Display;

class X11WindowServer : public WindowServer {
public:
    static constexpr int kConnectionID = 1;
    // The bound on one call's round trips.
    static constexpr double kReadSeconds = 1.0;

    explicit X11WindowServer(X11Display& display) : m_display(display) {}

    std::optional<std::vector<WindowRecord>> windowList(WindowListOptions options) const override;
    SpaceEntryPoints spaceEntryPoints() const override;

    // Asks the window manager to show a desktop (from 0); false when it keeps no such desktop.
    bool showDesktop(std::uint64_t desktop);

private:
    std::optional<std::uint64_t> activeSpace() const;
    std::optional<std::vector<std::uint64_t>> spacesForWindows(std::uint32_t mask,
                                                               const std::vector<std::uint32_t>& windowIDs) const;

    X11Display& m_display;
};

}  // namespace tarnlet::linux_desktop
