#pragma once
// The panes of the settings window. Their order is the order of the feature table and of the pane
// list; their titles name the tools in logs and chips, their raw values prefix the settings keys.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tarnlet {

enum class SettingsPane {
    gettingStarted,
    general,
    snap,
    jump,
    colorPicker,
    clipboard,
    snippets,
    ocr,
    shelf,
    focus,
    breaks,
    swipe,
    awake,
    notch,
    sweep,
    autoQuit,
    about,
};

class SettingsPanes {
public:
    static const std::array<SettingsPane, 17>& all();
    // Every pane but gettingStarted, general and about, in order.
    static const std::array<SettingsPane, 14>& features();

    static std::string_view rawValue(SettingsPane pane);
    static std::optional<SettingsPane> fromRawValue(std::string_view raw);
    static std::string title(SettingsPane pane);
    // The system symbol shown for the pane in chips.
    static std::string_view icon(SettingsPane pane);
    // The pane's on/off switch, its raw value followed by ".isEnabled".
    static std::string enabledKey(SettingsPane pane);
};

}  // namespace tarnlet
