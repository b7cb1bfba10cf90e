#pragma once
// Which applications the quitting tools (Sweep, Auto-Quit) may touch at all: regular applications
// with a Dock icon and a bundle identifier, never this process and never the file manager (the
// workspace says which application that is), and only those the user's list lets through — all
// but the listed ones, or only the listed ones. Any thread.

#include <optional>
#include <set>
#include <string>

#include "platform/Workspace.h"

namespace tarnlet {

class QuitPolicy {
public:
    // In "excludeListed" mode an application qualifies when it is not listed; otherwise only when
    // it is.
    static bool listAllows(const std::string& bundleID, const std::set<std::string>& list, bool excludeMode);
    // The whole rule for a running application.
    static bool mayQuit(const RunningApplication& app, int selfPID, const std::set<std::string>& list, bool excludeMode);
};

}  // namespace tarnlet
