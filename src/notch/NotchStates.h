#pragma once
// The catalogue of what every chip shows. Each builder returns the content of one kind of chip;
// the notch feature decides when to show it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Image.h"
#include "notch/NotchContent.h"

namespace tarnlet {

// What the now-playing bar shows: nothing, the compact glyph, the track briefly, or the controls.
enum class NowPlayingPhase { hidden, compact, expanded, controls };

class NotchStates {
public:
    // The battery levels at which a low-battery chip appears; the smallest marks a critical level.
    static constexpr int kBatteryChipThresholds[] = {20, 10};

    static NotchContent spaceChip(int number);
    static NotchContent sessionChip(bool active, int minutes);
    static NotchContent shelfChip(int count);
    // Fewer than two items all go right of the notch; otherwise the first half (rounded up) left.
    static NotchContent leaderHints(const std::vector<NotchBarItem>& items, std::optional<std::string> caption);
    static NotchContent snippetCopiedChip();
    static NotchContent ocrChip(const std::string& text);
    static NotchContent ocrPermissionChip();
    static NotchContent ocrRestartChip();
    static NotchContent colorChip(const std::string& hex, Color color);
    static NotchContent appQuitChip(std::optional<Image> icon, const std::string& name);
    static NotchContent breakCountdown(int second, bool eyeOpen);
    static NotchContent breakPreWarning();
    static NotchContent breakDone();
    static NotchContent batteryChip(bool charging, int percent);
    static NotchContent lowBatteryChip(int percent);
    // The chip of a feature switched on or off: its pane icon, "On" or "Off", its title below.
    static NotchContent featureToggleChip(const Image& icon, const std::string& title, bool on);
    static NotchContent snapUnsupported();
    // Snap's two hint rows, the first left of the notch and the second right of it.
    static NotchContent snapHints(std::vector<NotchBarItem> first, std::vector<NotchBarItem> second);
    static constexpr const char* kSnapHintCaption = "snap · release to place";
    static NotchContent nowPlaying(NowPlayingPhase phase, const std::string& title, const std::string& artist);

    // White space collapsed to single spaces; longer than `limit` characters, the first and last
    // (limit − 3) / 2 characters joined by " … ".
    static std::string textPreview(std::string_view text, std::size_t limit);
};

}  // namespace tarnlet
