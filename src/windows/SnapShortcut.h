#pragma once
// Snap's keyboard shortcuts: the table the settings window lists by group, the hot-key table the
// keyboard trigger registers, and the hint items the notch shows while the snap chord is held.
//
//     for (const auto& group : SnapShortcut::groups()) …        // "Halves", "Quarters", …
//     SnapShortcut::display(shortcut)                           // "⌃⌥←"
//
// Constant data; any thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shared/NotchBarItem.h"
#include "windows/SnapPosition.h"

namespace tarnlet {

struct SnapShortcut {
    SnapPosition position;
    std::string title;
    // The key's character: a lowercase letter, carriage return, backspace, or the platform's
    // function-key character for an arrow.
    std::string key;
    std::uint64_t modifiers = 0;  // desktop modifier-flag bits

    struct Group {
        std::string name;
        std::vector<SnapShortcut> shortcuts;
    };
    // What the system's hot-key service is asked to register for a position.
    struct HotKey {
        SnapPosition position;
        std::uint16_t keyCode;
        std::uint32_t modifiers;  // the hot-key service's masks
    };

    static const std::vector<Group>& groups();
    static const std::array<HotKey, 18>& hotKeys();
    // The shortcut as the settings window writes it ("⌃⌥←", "⌃⌥⌘→", "⌃⌥↩").
    static std::string display(const SnapShortcut& shortcut);
    // The label a position's key carries in the notch hints; none for places without a hint.
    static std::optional<std::string> hintLabel(SnapPosition position);
    // The two hint rows: the halves and maximize, then the quarters, center and restore.
    static const std::array<std::vector<SnapPosition>, 2>& hintRows();
    // The hint rows as notch items: each place's icon with its key label, pulsed by that label.
    static std::array<std::vector<NotchBarItem>, 2> hintItems();
};

}  // namespace tarnlet
