#include "keys/FeatureChords.h"

#include <cctype>

#include "keys/LeaderWatcher.h"
#include "platform/MainQueue.h"
#include "settings/Settings.h"

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

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

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

std::string FeatureChords::groupDescription(Kind kind) {
    std::string out;
    for (Key key : kAllKeys) {
        if (info(key).kind != kind) continue;
        if (!out.empty()) out += " · ";
        out += std::string(info(key).letter) + " " + SettingsPanes::title(info(key).pane);
    }
    return out;
}

FeatureChords::FeatureChords(Settings& settings, LeaderWatcher& leader, MainQueue& queue)
    : m_settings(settings), m_leader(leader), m_queue(queue) {}

FeatureChords::~FeatureChords() {
    if (m_registered) m_leader.remove(this);
}

void FeatureChords::registerAction(std::function<void(Key)> action) {
    m_action = std::move(action);
    m_registered = true;
    LeaderWatcher::Consumer consumer;
    consumer.leaders = {Leader::feature, Leader::command};
    consumer.onKey = m_weak.bind([this](Leader leader, const std::string& character) { return handle(leader, character); });
    consumer.hints = m_weak.bind([this](Leader leader) {
        return leader == Leader::feature ? hintItems() : std::vector<NotchBarItem>{};
    });
    m_leader.addConsumer(this, std::move(consumer));
}

std::vector<FeatureChords::Key> FeatureChords::liveKeys() const {
    std::vector<Key> keys;
    for (Key key : kAllKeys) {
        if (hasAction && !hasAction(key)) continue;
        if (key == Key::shelf && !m_settings.boolean("shelf.isEnabled")) continue;
        if (key == Key::ocr && !m_settings.boolean("ocr.isEnabled")) continue;
        if (key == Key::clipboard && !m_settings.boolean("clipboard.isEnabled")) continue;
        keys.push_back(key);
    }
    return keys;
}

std::vector<NotchBarItem> FeatureChords::hintItems() const {
    std::vector<NotchBarItem> items;
    if (!m_settings.boolean("notch.featureHints")) return items;
    for (Key key : liveKeys()) {
        NotchBarItem item;
        if (key == Key::profile1) item.icon = Image::symbol("1.square", "Settings profile");
        else if (key == Key::profile2) item.icon = Image::symbol("2.square", "Settings profile");
        else item.icon = Image::symbol(std::string(SettingsPanes::icon(pane(key))), SettingsPanes::title(pane(key)));
        item.badge = std::string(letter(key));
        items.push_back(std::move(item));
    }
    return items;
}

bool FeatureChords::handle(Leader leader, const std::string& character) {
    switch (leader) {
        case Leader::option: return false;
        case Leader::command: {
            if (character == ":") {
                if (!isSnippetsLive || !isSnippetsLive()) return false;
                m_queue.post(m_weak.bind([this] {
                    if (onSnippetPicker) onSnippetPicker();
                }));
                return true;
            }
            const auto media = MediaKey::from(character);
            if (!media || !isNowPlayingLive || !isNowPlayingLive()) return false;
            m_queue.post(m_weak.bind([this, key = *media] {
                if (onMediaKey) onMediaKey(key);
            }));
            return true;
        }
        case Leader::feature:
            for (Key key : liveKeys()) {
                if (!equalIgnoringCase(letter(key), character)) continue;
                m_queue.post(m_weak.bind([this, key] {
                    if (onHintPress) onHintPress(std::string(letter(key)));
                    if (m_action) m_action(key);
                }));
                return true;
            }
            return false;
    }
    return false;
}

}  // namespace tarnlet
