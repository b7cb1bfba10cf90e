#pragma once
// The fixed table of the fourteen tools, in the order reconcile walks it. A row names the pane, the
// settings key of the tool's switch (none for the notch, which is always wanted) and whether the
// tool is held off while the accessibility permission is missing.

#include <array>
#include <optional>

#include "settings/SettingsPane.h"

namespace tarnlet {

struct FeatureRow {
    SettingsPane pane;
    bool hasFlag;             // false only for the notch
    bool needsAccessibility;  // held off by reconcile without the permission
};

inline constexpr std::array<FeatureRow, 14> kFeatureTable = {{
    {SettingsPane::snap, true, true},
    {SettingsPane::jump, true, true},
    {SettingsPane::colorPicker, true, false},
    {SettingsPane::clipboard, true, true},
    {SettingsPane::snippets, true, true},
    {SettingsPane::ocr, true, false},
    {SettingsPane::shelf, true, false},
    {SettingsPane::focus, true, false},
    {SettingsPane::breaks, true, false},
    {SettingsPane::swipe, true, true},
    {SettingsPane::awake, true, false},
    {SettingsPane::notch, false, false},
    {SettingsPane::sweep, true, true},
    {SettingsPane::autoQuit, true, false},
}};

}  // namespace tarnlet
