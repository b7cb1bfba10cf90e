#pragma once
// Event taps, posted events and the shortcut modifier on an X11 session, on a connection of their
// own. Control is the shortcut modifier: X applications copy with Control-C and paste with
// Control-V.
//
// Listening. XInput2 raw key and button events of the master devices arrive on the root window
// whatever has the focus, and every tap sees them in the order of the chain (newest first) as
// keyDown, keyUp, flagsChanged and mouse events. Key codes and flags come from X11Keymap and
// X11KeyTable; the left and right bits of the flag word come from the modifier keys seen going down
// and up, Caps Lock from XKB's lock state. A key the table does not know (AltGr among them) makes
// no event. The server sends no raw events for auto-repeat, nor to a client for input that
// client's own grab receives: those keys arrive here through the grab instead, as ordinary key
// events, and count exactly once either way (a raw event and the grabbed copy of the same input
// share their time stamp).
//
// Swallowing. X has no global filter: a key can be kept from the focused window only by a grab,
// and a grab taken when a leader's raw press is seen would race the next key. So the owners of the
// filtering taps claim ahead of time what they may swallow (EventTaps::claimKeys), and this object
// holds synchronous passive grabs (GrabModeSync) of exactly that:
//   - the paste shortcut (a combination claim): Control-V with every Num Lock and Caps Lock
//     variant, for as long as the clipboard runs;
//   - the leaders (a leader claim): the right Super key, the Menu key and a right Alt key that is
//     Alt, each grabbed with any modifiers. Pressing one freezes the keyboard until this object
//     has grabbed, in the same way, the claimed keys under every modifier state that leader can
//     make (and let go of them when the last leader key comes up), so no chord key can slip past;
//   - the keyboard (a keyboard claim): a picker or the break screen owns it while it shows, with an
//     active synchronous grab.
// A grabbed key stays frozen until the taps have decided: swallowed, it is consumed (SyncKeyboard
// keeps the grab, so its repeats and release come here too); passed, it is replayed to the focused
// window untouched (ReplayKeyboard), and a keyboard grab is taken again at once. Right Super and
// right Alt presses always replay: applications see them as before. A Menu press is held back (an
// application would open a context menu in the middle of the chord) and, when no other key came
// while it was down, typed again once released, so that the key keeps its own use. A combination
// another client grabbed first is refused with BadAccess and stays with that client: those keys
// then pass the filtering taps by, as for a disabled tap, and the refusal is logged once.
//
// AltGr. A right Alt that is AltGr (ISO_Level3_Shift, Mode_switch: German, French and most other
// European layouts) is no Option key and no leader, so nothing here ever grabs it or its
// combinations: AltGr+Q still types @, and AltGr+E €.
//
// Posting. Events are typed through XTest; the modifiers of the event's flags that are not down
// already are pressed around the key and let go after it (X has no flags field on an event; held
// modifiers cannot be lifted, so an event posted while the user holds another modifier carries it
// as well). To hand the synthetic-event marker back on these events, a record of what was posted
// (key, direction, flags) is kept for two seconds: a raw event from the "Virtual core XTEST
// keyboard" that matches the oldest entry is ours, and so is a grabbed event (grabbed events carry
// no device) that matches it. The device alone would not do: xdotool and other test and automation
// tools type through the very same XTEST device, and their keys are the user's. Modifier keys
// pressed only to give a posted event its flags make no flagsChanged event and do not count as
// held by the user, as on the original platform, where a posted event simply carries its flags.
//
// X has no secure keyboard input; it reads as off. Main thread only: callbacks run in Qt's event
// loop.

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/EventTaps.h"
#include "platform/linux/X11Keymap.h"
#include "platform/linux/X11EventConnection.h"

namespace tarnlet {
class SystemLog;
}

namespace tarnlet::linux_desktop {

class X11EventTaps : public EventTaps {
public:
    explicit X11EventTaps(SystemLog& log);
    ~X11EventTaps() override;
    X11EventTaps(const X11EventTaps&) = delete;
    X11EventTaps& operator=(const X11EventTaps&) = delete;

    // None when the session lacks XInput2 2.1, XKB or XTest.
    std::unique_ptr<EventTap> createTap(EventMask mask, TapMode mode, Callback callback) override;
    void post(const InputEvent& event) override;
    bool isSecureEventInputEnabled() const override { return false; }
    Subscription claimKeys(KeyClaim claim) override;
    std::uint64_t shortcutModifier() const override { return ModifierFlag::control; }

    // Whether the session offers what taps need: XInput2 2.1 or later, XKB and XTest.
    bool isAvailable() const;
    // The keyboard's layout, which the hot keys follow too.
    const X11Keymap& keymap() const { return m_keymap; }

    // How long a record of a posted event waits for the event to come back.
    static constexpr double kPostedLifetime = 2.0;

    struct Tap;  // shared with the tap handles, which may outlive this object

private:
    using Combination = std::pair<xcb_keycode_t, std::uint16_t>;  // keycode, modifier mask
    enum class Grab { none, passive, keyboard };
    struct Seen {
        xcb_keycode_t keycode;
        bool press;
        xcb_timestamp_t time;
        TapDecision decision;
        bool ours;
    };
    struct Posted {
        xcb_keycode_t keycode;
        bool press;
        std::uint64_t flags;
        double at;
    };

    void handle(const xcb_generic_event_t& event);
    void handleRawKey(xcb_keycode_t keycode, bool press, xcb_timestamp_t time, std::uint16_t source);
    void handleRawButton(std::uint32_t button, bool press);
    void handleGrabbedKey(xcb_keycode_t keycode, bool press, xcb_timestamp_t time);
    void handleError(const xcb_generic_error_t& error);
    // Takes in one key event, seen once, and offers it to the taps; the decision.
    TapDecision take(xcb_keycode_t keycode, bool press, bool ours, std::uint64_t postedFlags);
    TapDecision dispatch(const InputEvent& event);
    std::uint64_t userFlags() const;
    // The flags of the posted event this is, when it matches the oldest record.
    std::optional<std::uint64_t> matchPosted(xcb_keycode_t keycode, bool press);
    void fake(xcb_keycode_t keycode, bool press, std::uint64_t flags);
    bool isLeaderKey(xcb_keycode_t keycode) const;
    bool isMenuKey(xcb_keycode_t keycode) const;

    void updateGrabs();
    std::set<Combination> wantedGrabs(bool& keyboard) const;
    void grabKeyboard();
    void answer(TapDecision decision);
    void findXTestKeyboard();
    double now() const;

    SystemLog& m_log;
    X11EventConnection m_connection;
    X11Keymap m_keymap{m_connection.connection()};
    bool m_rawEvents = false;
    bool m_xtest = false;
    std::uint16_t m_xtestKeyboard = 0;

    std::vector<std::shared_ptr<Tap>> m_taps;  // newest first
    std::map<std::uint64_t, KeyClaim> m_claims;
    std::uint64_t m_lastClaim = 0;

    std::array<bool, 256> m_down{};  // by keycode
    std::set<xcb_keycode_t> m_userModifierKeys;  // held by the user
    std::set<xcb_keycode_t> m_leadersHeld;       // held by the user
    bool m_menuHeldBack = false;                 // a Menu press was swallowed
    bool m_menuUsed = false;                     // another key came while Menu was down
    std::deque<Seen> m_seen;
    std::deque<Posted> m_posted;
    // Events posted while our keyboard grab held: they go out once it is let go, so that they reach
    // the focused window directly rather than through the grab (a key a picker took ends it).
    std::vector<InputEvent> m_postedAfterGrab;

    std::set<Combination> m_grabbed;
    std::map<unsigned int, Combination> m_grabRequests;  // by request sequence, for refusals
    std::set<xcb_keycode_t> m_refusals;                   // keys whose refusal was logged
    Grab m_grab = Grab::none;
    xcb_keycode_t m_grabKey = 0;  // the key whose press started a passive grab
    bool m_keyboardRefusalLogged = false;
    bool m_handling = false;     // within an event: grabs change only once it is answered
    bool m_grabsChanged = false;

    Subscription m_keymapChanges;
    WeakFactory m_weak;
};

}  // namespace tarnlet::linux_desktop
