#pragma once
// The feature keys of the right-hand chord (right Command and right Option held together): a
// letter or digit that switches a tool, opens one, shows the settings or selects a profile.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsPane.h"

namespace tarnlet {

class FeatureChords {
public:
    enum class Key { awake, focus, shelf, breaks, ocr, clipboard, settings, profile1, profile2 };
    // How the settings window groups the keys.
    enum class Kind { toggle, opener, other };

    static constexpr std::array<Key, 9> kAllKeys = {Key::awake,     Key::focus,    Key::shelf,
                                                    Key::breaks,    Key::ocr,      Key::clipboard,
                                                    Key::settings,  Key::profile1, Key::profile2};

    // The character shown and matched ("~" is the grave-accent key).
    static std::string_view letter(Key key);
    static SettingsPane pane(Key key);
    static Kind kind(Key key);
    static std::string_view rawValue(Key key);
    static std::optional<Key> fromRawValue(std::string_view raw);

    // The chord labels of a pane's keys, "r⌘ r⌥ " followed by the letter, in key order; empty for a
    // pane without keys.
    static std::vector<std::string> chords(SettingsPane pane);
};

}  // namespace tarnlet
