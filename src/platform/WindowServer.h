#pragma once
// The window server: the list of every window on the desktop, with its owner, number, layer,
// bounds and opacity, and the optional desktop (Space) lookups. The desktop lookups are private
// entry points on the reference desktop, resolved at run time; a system without them returns empty
// entry points and callers count without the other desktops.
//
//     auto list = server.windowList({.onScreenOnly = true, .excludeDesktopElements = true});
//     const auto spaces = server.spaceEntryPoints();
//     if (spaces.isResolved()) active = spaces.activeSpace(spaces.mainConnectionID());
//
// Threading: windowList() and the entry points may be called from any thread (window counts run on
// a background queue); the simulated server is driven from the main thread.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "base/Geometry.h"

namespace tarnlet {

// One window as the window server lists it. Every key may be missing from a record (or hold
// something that is not a number), so each field is optional and readers decide what a missing one
// means.
struct WindowRecord {
    std::optional<int> ownerPID;
    std::optional<std::uint32_t> number;
    std::optional<double> layer;  // 0 is the ordinary application layer
    // In the global top-left space (y grows downward from the top of the first screen), as the
    // window server reports it.
    std::optional<Rect> bounds;
    std::optional<double> alpha;
};

struct WindowListOptions {
    // Only windows shown now: not minimised, not of a hidden application, on a desktop shown on
    // some display.
    bool onScreenOnly = false;
    // Leave out the desktop's own windows (desktop picture, icons).
    bool excludeDesktopElements = false;
};

class WindowServer {
public:
    // The desktop kinds a desktop lookup covers: bit 1 the shown desktops, bit 2 the others, bit 4
    // the user's desktops. 7 asks for all.
    static constexpr std::uint32_t kAllSpacesMask = 7;

    // The private desktop entry points. Each is empty when it could not be resolved.
    struct SpaceEntryPoints {
        // The calling process's window-server connection.
        std::function<int()> mainConnectionID;
        // The desktop shown now on the display with the menu bar. Every answer is a desktop
        // identifier, 0 included (some window managers number desktops from 0); only a connection
        // the server does not know gets 0 as a non-answer, and callers pass mainConnectionID().
        std::function<std::uint64_t(int connection)> activeSpace;
        // The desktops the given windows are on, or none when the call fails.
        std::function<std::optional<std::vector<std::uint64_t>>(int connection, std::uint32_t mask,
                                                                const std::vector<std::uint32_t>& windowIDs)>
            copySpacesForWindows;

        bool isResolved() const { return mainConnectionID && activeSpace && copySpacesForWindows; }
    };

    virtual ~WindowServer() = default;

    // The windows, front to back; none when the call fails.
    virtual std::optional<std::vector<WindowRecord>> windowList(WindowListOptions options) const = 0;
    // Looks the desktop entry points up. Callers resolve them once and keep the result.
    virtual SpaceEntryPoints spaceEntryPoints() const = 0;

    // Whether the desktop (Space) lookups could be resolved on this system. They are optional:
    // without them window counts cover the visible desktop only.
    bool isSpaceInterfaceAvailable() const { return spaceEntryPoints().isResolved(); }
};

}  // namespace tarnlet
