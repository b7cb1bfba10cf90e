#include "windows/QuitPolicy.h"

namespace tarnlet {

bool QuitPolicy::listAllows(const std::string& bundleID, const std::set<std::string>& list, bool excludeMode) {
    return (list.count(bundleID) > 0) != excludeMode;
}

bool QuitPolicy::mayQuit(const RunningApplication& app, int selfPID, const std::set<std::string>& list, bool excludeMode) {
    if (app.activationPolicy != ActivationPolicy::regular || app.pid == selfPID || app.isTerminated) return false;
    if (!app.bundleIdentifier || app.isFileManager) return false;
    return listAllows(*app.bundleIdentifier, list, excludeMode);
}

}  // namespace tarnlet
