#pragma once
// The built-in consumer of the leader chord. Under the feature leader (right Command with an Option
// key) it maps letters and digits to feature keys: toggle keep-awake, Focus and Breaks; open the
// shelf, text recognition, the clipboard picker and the settings; switch settings profile. Under
// the command leader it claims only the media keys (while now-playing is live) and the colon key
// (while Snippets is live); letters go on to Jump. Actions run on the main queue's next turn so the
// key tap's callback returns at once. Main thread only.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/WeakToken.h"
#include "keys/Leader.h"
#include "keys/MediaKey.h"
#include "settings/SettingsPane.h"
#include "shared/NotchBarItem.h"

namespace tarnlet {

class LeaderWatcher;
class MainQueue;
class Settings;

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
    // A group as the settings window lists it: "A Awake · F Focus · B Breaks".
    static std::string groupDescription(Kind kind);

    FeatureChords(Settings& settings, LeaderWatcher& leader, MainQueue& queue);
    ~FeatureChords();
    FeatureChords(const FeatureChords&) = delete;
    FeatureChords& operator=(const FeatureChords&) = delete;

    std::function<void()> onSnippetPicker;
    std::function<void(MediaKey)> onMediaKey;
    std::function<bool()> isNowPlayingLive = [] { return false; };
    std::function<bool()> isSnippetsLive = [] { return false; };
    std::function<void(const std::string& key)> onHintPress;
    // Whether something answers a key; a key nothing answers is neither hinted nor claimed.
    std::function<bool(Key)> hasAction = [](Key) { return true; };

    // Stores the action run for a feature key and joins the leader watcher for the feature and
    // command leaders.
    void registerAction(std::function<void(Key)> action);

    // The keys that work now: the table without the keys nothing answers, and without the shelf,
    // OCR and clipboard keys while those tools are switched off.
    std::vector<Key> liveKeys() const;
    std::vector<NotchBarItem> hintItems() const;
    bool handle(Leader leader, const std::string& character);

private:
    Settings& m_settings;
    LeaderWatcher& m_leader;
    MainQueue& m_queue;
    std::function<void(Key)> m_action;
    bool m_registered = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
