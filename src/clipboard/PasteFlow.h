#pragma once
// The paste state machine behind a held paste shortcut (⌘V, or Control-V where Control is the
// platform's shortcut modifier): idle → holding while the shortcut is down and the hold timer runs →
// the picker (with its highlighted slot) once the timer fires with something to pick → idle when an
// item is pasted or the picker closes. It only decides: each event returns whether the key is
// swallowed and what the clipboard feature must do; the feature owns the taps, timers and windows.
// Slots are 1-based. Main thread only.

#include <cstdint>
#include <optional>

#include "platform/InputEvent.h"

namespace tarnlet {

enum class ClipboardTab { recent, pins };

class PasteFlow {
public:
    explicit PasteFlow(std::uint64_t shortcutModifier = ModifierFlag::command) : m_shortcutModifier(shortcutModifier) {}

    enum class StateKind { idle, holding, menu };
    struct State {
        StateKind kind = StateKind::idle;
        int highlighted = 0;  // the highlighted slot in the picker
        friend bool operator==(const State&, const State&) = default;
    };

    enum class ActionKind { none, highlight, paste, startHold, replayPaste, openPicker, close };
    struct Action {
        ActionKind kind = ActionKind::none;
        int slot = 0;
        friend bool operator==(const Action&, const Action&) = default;
    };

    // What a key event comes to: swallowed or not, the action, whether the picker entries must be
    // prepared first (the start of a hold), and a tab to switch to.
    struct Decision {
        bool swallow = false;
        Action action;
        bool prepareEntries = false;
        std::optional<ClipboardTab> tab;
        bool otherTab = false;  // switch to whichever tab does not show
    };

    // Key codes of the ANSI layout.
    static constexpr std::int64_t kV = 9, kReturn = 36, kEnter = 76, kGrave = 50, kEscape = 53, kLeft = 123,
                                  kRight = 124, kDown = 125, kUp = 126;
    // The slot of a digit key 1…9; none for other keys (there is no slot 0).
    static std::optional<int> digit(std::int64_t keyCode);

    const State& state() const { return m_state; }
    std::uint64_t shortcutModifier() const { return m_shortcutModifier; }
    void reset() { m_state = {}; }

    // The paste shortcut's tap; flags are the event's modifier flags.
    Decision pasteKey(std::int64_t keyCode, std::uint64_t flags, bool isKeyUp, bool isRepeat);
    // The shortcut modifier came up.
    Action commandReleased();
    // The hold timer fired.
    Action holdFired(bool hasEntries);
    // The leader chord asks for the picker.
    Action openFromChord(bool hasEntries);
    // The picker's tap; count is the number of entries shown.
    Decision menuKey(std::int64_t keyCode, bool isKeyUp, int count);
    // The mouse in the picker, and a click outside the program.
    Action pick(int slot, int count);
    Action hover(int slot, int count);
    Action outsideClick();
    // The picker now shows another tab: the first slot is highlighted.
    void tabSwitched();

private:
    std::uint64_t m_shortcutModifier;
    State m_state;
};

}  // namespace tarnlet
