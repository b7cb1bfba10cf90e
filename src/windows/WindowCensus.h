#pragma once
// Counts of another application's real windows, from the window server's list and from the
// accessibility tree. Every count is optional: none means the count could not be taken, which is
// never the same as zero, and callers must not act on it as if it were.
//
//     const auto onScreen = WindowCensus::onScreenWindowCount(server, pid);
//
// Threading: plain functions over the services passed in; they may run on a background queue.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/WindowServer.h"

namespace tarnlet {

class WindowSpaces;

class WindowCensus {
public:
    static constexpr double kMinimumSide = 40;
    static constexpr double kMinimumAlpha = 0.05;
    // Subroles that make a window count as one the user works in.
    static const std::set<std::string>& keepAliveSubroles();

    // The window list without the desktop's own windows; none when the server call fails.
    static std::optional<std::vector<WindowRecord>> windowList(const WindowServer& server, bool onScreenOnly);

    // An ordinary application window: layer 0, readable bounds at least 40 × 40, and not (nearly)
    // transparent when an alpha is given.
    static bool isNormalWindow(const WindowRecord& record);
    // Real windows as the application reports them (current desktop and minimised ones).
    static std::optional<int> keepAliveWindowCount(Accessibility& accessibility, const AXElement& applicationElement);
    // The process's normal windows shown on screen now.
    static std::optional<int> onScreenWindowCount(const WindowServer& server, int pid);
    // The process's normal windows on desktops other than the one shown; none without the desktop
    // lookups.
    static std::optional<int> otherSpaceWindowCount(const WindowServer& server, const WindowSpaces& spaces, int pid);
};

}  // namespace tarnlet
