#pragma once
// The Snippets tool: a small searchable picker in which the user types a few letters of a snippet's
// trigger and picks it with Return (or a click); the expanded text is pasted where the user was
// typing, with the caret moved back to the snippet's caret marker. The picker owns the keyboard
// only while it shows: its consuming key tap and its dismiss monitors (a click outside, another
// application coming to the front) exist only then, so the stopped or idle tool costs nothing.
//
//     SnippetsFeature snippets(settings, SnippetsFeature::Services{taps, pasteboard, …, root});
//     snippets.onCopiedWithoutPaste = [&] { tellUserToPaste(); };   // wired by the core
//     snippets.activate();
//     snippets.showPicker();   // from the feature key; a second call closes it
//
// The inserted text goes on the pasteboard marked transient, so no clipboard history records it,
// before the paste is typed; where keystrokes may not be posted (no right to post events, or a
// password field holds secure input) it stays there and onCopiedWithoutPaste is called.
//
// Main thread only; the paste and the caret keystrokes are posted from one main-queue task that
// holds the feature weakly.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "clipboard/ListMenu.h"
#include "clipboard/Snippet.h"
#include "clipboard/SnippetStore.h"
#include "keys/TransientKeyTap.h"
#include "platform/MainQueue.h"

namespace tarnlet {

class EventTaps;
class Mouse;
class Panels;
class Pasteboard;
class Permissions;
class Screens;
class Settings;
class SystemFacts;
class TextMeasurer;
class Workspace;

class SnippetsFeature : public Feature {
public:
    // Key codes of the ANSI layout.
    static constexpr std::int64_t kReturn = 36, kEnter = 76, kEscape = 53, kSemicolon = 41, kDelete = 51,
                                  kLeft = 123, kDown = 125, kUp = 126;
    // A second Delete on an empty query within this many seconds closes the picker.
    static constexpr double kDoubleDeleteInterval = 0.8;
    static constexpr int kVisibleRows = 6;

    static constexpr const char* kSymbol = "text.append";
    static constexpr const char* kPlaceholder = "type to search…";
    static constexpr const char* kEmptyStorePlaceholder = "No snippets yet — add them in Settings › Snippets";
    static constexpr const char* kEmptyText = "No matches";

    struct Services {
        EventTaps& taps;
        Pasteboard& pasteboard;
        Permissions& permissions;
        Workspace& workspace;
        Mouse& mouse;
        Panels& panels;
        Screens& screens;
        TextMeasurer& measurer;
        MainQueue& queue;
        SystemFacts& facts;          // the user's locale and time zone for dates in snippets
        std::filesystem::path root;  // where "Snippets.json" lives
    };

    SnippetsFeature(Settings& settings, Services services);
    ~SnippetsFeature() override;
    SnippetsFeature(const SnippetsFeature&) = delete;
    SnippetsFeature& operator=(const SnippetsFeature&) = delete;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;

    // Opens the picker, or closes it when it already shows. Nothing while stopped.
    void showPicker();
    bool isPickerShowing() const { return m_menu.isOpen(); }

    // The snippet could only be put on the pasteboard; the user has to paste it.
    std::function<void()> onCopiedWithoutPaste;

    SnippetStore& store() { return m_store; }
    const ListMenu& menu() const { return m_menu; }
    // The system appearance the picker is drawn in.
    void setAppearance(ListMenu::Appearance appearance) { m_menu.setAppearance(appearance); }
    const std::string& query() const { return m_query; }
    const std::vector<Snippet>& visible() const { return m_visible; }
    int highlighted() const { return m_highlighted; }

    // Whether a key event's text may be typed into the query: exactly one user-perceived character
    // of well-formed UTF-8, with no control character and nothing from the private range where
    // function and arrow keys report themselves.
    static bool isTypedCharacter(const std::string& characters);
    // The text without its last user-perceived character.
    static std::string dropLastCharacter(const std::string& text);

private:
    bool key(const TransientKeyTap::KeyEvent& key);
    void closePicker();
    void rerank();
    std::vector<ListMenu::Item> items() const;
    ListMenu::Header header();
    void moveHighlight(int delta);
    void pickRow(int row);
    void insert(const Snippet& snippet);

    static constexpr double kDistantPast = -std::numeric_limits<double>::infinity();

    // Kept for settings the tool may read at the moment of use; it has none of its own yet.
    [[maybe_unused]] Settings& m_settings;
    Services m_services;
    SnippetStore m_store;
    ListMenu m_menu;
    TransientKeyTap m_keyTap;
    std::unique_ptr<MouseMonitor> m_outsideClickMonitor;
    Subscription m_appSwitchToken;
    std::string m_query;
    std::vector<Snippet> m_visible;
    int m_highlighted = 0;
    // Monotonic time of the last Delete on an empty query.
    double m_lastEmptyBackspace = kDistantPast;
    // The Return or Enter key went down while the picker showed; only its release inserts, so a
    // release whose press the picker never saw does nothing.
    bool m_returnDown = false;
    bool m_isActive = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
