#pragma once
// The simulated window server: lists the simulated applications' windows and keeps the desktops
// (Spaces). Each display has its desktops in order and shows one of them, its active desktop; a
// window lives on one or more desktops and is on screen only while one of them is shown and the
// window is not minimised. The desktop lookups answer like the private entry points they stand
// for, and a switch makes them unresolvable. Main thread.

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/WindowServer.h"

namespace tarnlet::sim {

class SimApplications;

class SimWindowServer : public WindowServer {
public:
    // The first display's first desktop, there from the start and shown.
    static constexpr std::uint64_t kFirstSpace = 1;
    static constexpr int kConnectionID = 0x5A03;

    SimWindowServer();

    // The window list is read from the applications; the desktop wires them once.
    void setApplications(const SimApplications* applications) { m_applications = applications; }

    std::optional<std::vector<WindowRecord>> windowList(WindowListOptions options) const override;
    SpaceEntryPoints spaceEntryPoints() const override;

    void setSpaceInterfaceAvailable(bool available) { m_spacesAvailable = available; }
    // Makes every window-list call fail, as when the window server cannot be reached.
    void setWindowListAvailable(bool available) { m_windowListAvailable = available; }

    // A new desktop at the end of the display's list (display 0 has the menu bar); the first desktop
    // of a display becomes the one it shows.
    std::uint64_t addSpace(int display = 0);
    // Shows the desktop on its display; false for an unknown desktop.
    bool activateSpace(std::uint64_t space);
    // The desktop a display shows; none for a display without desktops.
    std::optional<std::uint64_t> activeSpace(int display = 0) const;
    bool isSpaceActive(std::uint64_t space) const;
    std::vector<std::uint64_t> spaces(int display = 0) const;

private:
    std::optional<std::vector<std::uint64_t>> spacesForWindows(int connection, std::uint32_t mask,
                                                               const std::vector<std::uint32_t>& windowIDs) const;

    const SimApplications* m_applications = nullptr;
    bool m_spacesAvailable = true;
    bool m_windowListAvailable = true;
    std::uint64_t m_nextSpace = kFirstSpace;
    std::map<int, std::vector<std::uint64_t>> m_spaces;  // display -> desktops in order
    std::map<int, std::uint64_t> m_active;                // display -> desktop shown
};

}  // namespace tarnlet::sim
