#pragma once
// The tools of this build. Each wiring unit registers itself with TARNLET_REGISTER_TOOL, so adding
// a tool is adding its files; the library holding the units is linked whole so that no unit is
// dropped for being unreferenced. Registration happens before main; lookups on the main thread.

#include <memory>
#include <optional>
#include <vector>

#include "settings/SettingsPane.h"

namespace tarnlet {

class Tool;
struct ToolContext;

class ToolRegistry {
public:
    using Factory = std::unique_ptr<Tool> (*)(ToolContext&);

    ToolRegistry() = delete;

    // Records the factory of a pane's tool; a second registration for the same pane is a
    // programming error and stops the process.
    static bool add(SettingsPane pane, Factory factory);
    static std::optional<Factory> factory(SettingsPane pane);
};

}  // namespace tarnlet

#define TARNLET_REGISTER_TOOL(pane, Type)                                                              \
    namespace {                                                                                       \
    [[maybe_unused]] const bool kRegistered##Type = ::tarnlet::ToolRegistry::add(                     \
        pane, [](::tarnlet::ToolContext& context) -> std::unique_ptr<::tarnlet::Tool> {              \
            return std::make_unique<Type>(context);                                                   \
        });                                                                                           \
    }
