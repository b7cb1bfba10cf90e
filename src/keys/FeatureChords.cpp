#include "keys/FeatureChords.h"

namespace tarnlet {

namespace {

struct KeyInfo {
    std::string_view raw;
    std::string_view letter;
    SettingsPane pane;
    FeatureChords::Kind kind;
};

constexpr std::array<KeyInfo, 9> kKeys = {{
    {"awake", "A", SettingsPane::awake, FeatureChords::Kind::toggle},
    {"focus", "F", SettingsPane::focus, FeatureChords::Kind::toggle},
    {"shelf", "S", SettingsPane::shelf, FeatureChords::Kind::opener},
    {"breaks", "B", SettingsPane::breaks, FeatureChords::Kind::toggle},
    {"ocr", "T", SettingsPane::ocr, FeatureChords::Kind::opener},
    {"clipboard", "C", SettingsPane::clipboard, FeatureChords::Kind::opener},
    {"settings", "~", SettingsPane::general, FeatureChords::Kind::other},
    {"profile1", "1", SettingsPane::general, FeatureChords::Kind::other},
    {"profile2", "2", SettingsPane::general, FeatureChords::Kind::other},
}};

const KeyInfo& info(FeatureChords::Key key) { return kKeys[static_cast<std::size_t>(key)]; }

}  // namespace

std::string_view FeatureChords::letter(Key key) { return info(key).letter; }
SettingsPane FeatureChords::pane(Key key) { return info(key).pane; }
FeatureChords::Kind FeatureChords::kind(Key key) { return info(key).kind; }
std::string_view FeatureChords::rawValue(Key key) { return info(key).raw; }

std::optional<FeatureChords::Key> FeatureChords::fromRawValue(std::string_view raw) {
    for (Key key : kAllKeys)
        if (info(key).raw == raw) return key;
    return std::nullopt;
}

std::vector<std::string> FeatureChords::chords(SettingsPane pane) {
    std::vector<std::string> labels;
    for (Key key : kAllKeys)
        if (info(key).pane == pane) labels.push_back("r⌘ r⌥ " + std::string(info(key).letter));
    return labels;
}

}  // namespace tarnlet
