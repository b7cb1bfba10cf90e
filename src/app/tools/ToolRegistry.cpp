#include "app/tools/ToolRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace tarnlet {

namespace {

// A function-local map: registrations run during static initialisation, in no set order.
std::map<SettingsPane, ToolRegistry::Factory>& factories() {
    static std::map<SettingsPane, ToolRegistry::Factory> map;
    return map;
}

}  // namespace

bool ToolRegistry::add(SettingsPane pane, Factory factory) {
    if (!factories().emplace(pane, factory).second) {
        std::fputs("tarnlet: two tools registered for one pane\n", stderr);
        std::abort();
    }
    return true;
}

std::optional<ToolRegistry::Factory> ToolRegistry::factory(SettingsPane pane) {
    const auto it = factories().find(pane);
    if (it == factories().end()) return std::nullopt;
    return it->second;
}

}  // namespace tarnlet
