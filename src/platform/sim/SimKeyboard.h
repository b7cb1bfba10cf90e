#pragma once
// The simulated keyboard and the session's event chain. A key struck on the keyboard runs through
// the enabled taps whose mask covers it, newest first; a filtering tap can swallow it, and then no
// later tap and no application sees it. What no tap swallowed is offered to the hot-key service,
// and what that does not consume reaches the frontmost application, which keeps a record of
// everything it received. Modifier keys keep the flag word (with its left and right bits) and send
// flags-changed events; a held key repeats on the virtual clock.
//
// Creating a tap needs the accessibility permission. Posted (synthetic) events enter the chain on
// the main queue's next turn, as real posted events do. While a password field holds secure input,
// taps see no keys at all. The chain is a global filter, so key claims change nothing here; they are
// kept for tests to read.
//
// The front application edits as applications do: ⌘C copies its selection (when it has one) to
// the pasteboard, and ⌘V pastes the pasteboard's text, which it records. ⌘ is the shortcut
// modifier, Command unless a test plays a desktop whose applications use Control.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/EventTaps.h"
#include "platform/MainQueue.h"

namespace tarnlet::sim {

class SimHotKeys;
class SimMainQueue;
class SimPasteboard;
class SimPermissions;

class SimKeyboard : public EventTaps {
public:
    static constexpr double kInitialRepeatDelay = 0.5;
    static constexpr double kRepeatInterval = 0.1;
    static constexpr const char* kDefaultFrontApplication = "com.apple.finder";

    struct Delivery {
        std::string application;
        InputEvent event;
    };

    struct Paste {
        std::string application;
        std::string text;
    };

    SimKeyboard(SimMainQueue& queue, SimPermissions& permissions, SimHotKeys& hotKeys, SimPasteboard& pasteboard);
    ~SimKeyboard() override;

    std::unique_ptr<EventTap> createTap(EventMask mask, TapMode mode, Callback callback) override;
    void post(const InputEvent& event) override;
    Subscription claimKeys(KeyClaim claim) override;
    std::uint64_t shortcutModifier() const override { return m_shortcutModifier; }
    void setShortcutModifier(std::uint64_t flag) { m_shortcutModifier = flag; }
    // The claims whose handles are alive, oldest first.
    std::vector<KeyClaim> claims() const;

    // The hardware: a key goes down or up. Modifier keys change the flag word.
    void keyDown(std::uint16_t code);
    void keyUp(std::uint16_t code);
    void press(std::uint16_t code) {
        keyDown(code);
        keyUp(code);
    }
    // The scroll wheel turns once, where the pointer is.
    void scroll();
    // Every key going down and every scroll of the hardware, as it happens (not posted events).
    std::function<void(EventType)> onHardwareEvent;
    // Releases every key still down.
    void releaseAll();
    std::uint64_t flags() const;
    bool isDown(std::uint16_t code) const { return m_down.count(code) > 0; }

    // The system switches every enabled tap off and tells each (as after a slow callback).
    void disableTapsByTimeout();

    void setFrontApplication(std::string bundleID) { m_frontApplication = std::move(bundleID); }
    // What ⌘C in the front application puts on the pasteboard: (type, value) pairs, the text first;
    // empty for nothing selected.
    void setSelection(std::vector<std::pair<std::string, std::string>> items) { m_selection = std::move(items); }
    // The texts the front applications pasted, in order.
    const std::vector<Paste>& pasted() const { return m_pasted; }
    bool isSecureEventInputEnabled() const override { return m_secureInput; }
    void setSecureEventInput(bool enabled) { m_secureInput = enabled; }
    const std::string& frontApplication() const { return m_frontApplication; }
    const std::vector<Delivery>& delivered() const { return m_delivered; }
    void clearDelivered() { m_delivered.clear(); }
    std::function<void(const Delivery&)> onDeliver;

    std::size_t tapCount() const;
    std::size_t enabledTapCount() const;
    // How many times a tap callback ran for a key event; a disabled tap costs nothing.
    std::size_t keyCallbackCount() const { return m_keyCallbacks; }

    // Key names: letters, digits, punctuation (",", ".", "/", ";", "`", …), "space", "return",
    // "tab", "escape", "delete", "left", "right", "up", "down", "f1"…"f12", and the modifiers
    // "lcmd", "rcmd", "lopt", "ropt", "lctrl", "rctrl", "lshift", "rshift", "capslock", "fn"
    // ("cmd", "opt", "ctrl" and "shift" mean the left-hand keys).
    static std::optional<std::uint16_t> keyCode(std::string_view name);
    static std::string keyName(std::uint16_t code);
    static bool isModifierKey(std::uint16_t code);
    // What the key types on the US layout with these flags.
    static std::string characters(std::uint16_t code, std::uint64_t flags);

    struct Tap;  // shared with the tap handles, which may outlive the keyboard

private:
    void dispatch(const InputEvent& event);
    InputEvent keyEvent(EventType type, std::uint16_t code, bool repeat) const;
    void frontApplicationEdits(const InputEvent& event);
    void scheduleRepeat(std::uint16_t code, double delay);

    SimMainQueue& m_queue;
    SimPermissions& m_permissions;
    SimHotKeys& m_hotKeys;
    SimPasteboard& m_pasteboard;
    std::vector<std::pair<std::string, std::string>> m_selection;
    std::vector<Paste> m_pasted;
    bool m_secureInput = false;
    std::uint64_t m_shortcutModifier = ModifierFlag::command;
    std::shared_ptr<std::vector<std::shared_ptr<Tap>>> m_taps;  // newest first
    std::shared_ptr<std::vector<std::pair<std::uint64_t, KeyClaim>>> m_claims;
    std::uint64_t m_lastClaim = 0;
    std::set<std::uint16_t> m_down;
    std::string m_frontApplication = kDefaultFrontApplication;
    std::vector<Delivery> m_delivered;
    std::size_t m_keyCallbacks = 0;
    WorkItem m_repeat;
    std::uint16_t m_repeatCode = 0;  // the key m_repeat is for, while it is pending
};

}  // namespace tarnlet::sim
