#include "platform/linux/X11EventTaps.h"

#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <QCursor>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/SystemLog.h"
#include "platform/linux/QtScreens.h"

namespace tarnlet::linux_desktop {

struct X11EventTaps::Tap {
    EventMask mask;
    TapMode mode;
    Callback callback;
    bool enabled = true;
    bool removed = false;
};

namespace {

// Events seen raw wait this long (in number) for their grabbed copy, which follows at once.
constexpr std::size_t kSeenKept = 64;
// Requests whose refusal is still worth naming; refusals come back within a round trip.
constexpr std::size_t kGrabRequestsKept = 4096;
constexpr std::uint8_t kBadAccess = 10;
constexpr std::uint8_t kGrabKeyOpcode = 33;

class X11EventTap : public EventTap {
public:
    explicit X11EventTap(std::shared_ptr<X11EventTaps::Tap> tap) : m_tap(std::move(tap)) {}
    ~X11EventTap() override {
        m_tap->removed = true;
        m_tap->enabled = false;
    }
    void setEnabled(bool enabled) override { m_tap->enabled = enabled && !m_tap->removed; }
    bool isEnabled() const override { return m_tap->enabled; }

private:
    std::shared_ptr<X11EventTaps::Tap> m_tap;
};

std::string describe(xcb_keycode_t keycode, std::uint16_t mask) {
    return "keycode " + std::to_string(keycode) +
           (mask == XCB_MOD_MASK_ANY ? std::string(" with any modifiers") : " with modifier mask " + std::to_string(mask));
}

}  // namespace

X11EventTaps::X11EventTaps(SystemLog& log) : m_log(log) {
    if (!m_connection.isOpen()) return;
    m_connection.watch([this](const xcb_generic_event_t& event) { handle(event); });
    m_rawEvents = m_connection.selectRawEvents(
        XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
        XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE);
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(m_connection.connection(), &xcb_test_id);
    m_xtest = xtest && xtest->present;
    if (!m_rawEvents) m_log.info("Key taps: the X server lacks XInput2 2.1; the keyboard cannot be watched");
    else if (!m_keymap.isValid()) m_log.info("Key taps: the X server lacks XKB; the keyboard cannot be watched");
    else if (!m_xtest) m_log.info("Key taps: the X server lacks XTest; keys cannot be typed for the user");
    findXTestKeyboard();
    m_keymapChanges = m_keymap.observeChanges(m_weak.bind([this] { updateGrabs(); }));
}

X11EventTaps::~X11EventTaps() {
    for (const auto& tap : m_taps) tap->enabled = false;
    m_connection.watch(nullptr);
}

bool X11EventTaps::isAvailable() const { return m_connection.isOpen() && m_rawEvents && m_keymap.isValid() && m_xtest; }

double X11EventTaps::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void X11EventTaps::findXTestKeyboard() {
    xcb_connection_t* c = m_connection.connection();
    if (!m_rawEvents) return;
    auto* reply = xcb_input_xi_query_device_reply(c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr);
    if (!reply) return;
    for (auto it = xcb_input_xi_query_device_infos_iterator(reply); it.rem; xcb_input_xi_device_info_next(&it)) {
        if (it.data->type != XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD) continue;
        const std::string name(xcb_input_xi_device_info_name(it.data),
                               static_cast<std::size_t>(xcb_input_xi_device_info_name_length(it.data)));
        if (name.find("XTEST") != std::string::npos) m_xtestKeyboard = it.data->deviceid;
    }
    std::free(reply);
}

// The taps.

std::unique_ptr<EventTap> X11EventTaps::createTap(EventMask mask, TapMode mode, Callback callback) {
    if (!isAvailable() || !callback) return nullptr;
    std::erase_if(m_taps, [](const auto& tap) { return tap->removed; });
    auto tap = std::make_shared<Tap>(Tap{mask, mode, std::move(callback)});
    m_taps.insert(m_taps.begin(), tap);
    return std::make_unique<X11EventTap>(tap);
}

Subscription X11EventTaps::claimKeys(KeyClaim claim) {
    const std::uint64_t id = ++m_lastClaim;
    m_claims.emplace(id, std::move(claim));
    updateGrabs();
    return Subscription(m_weak.bind([this, id] {
        m_claims.erase(id);
        updateGrabs();
    }));
}

TapDecision X11EventTaps::dispatch(const InputEvent& event) {
    const auto taps = m_taps;  // a callback may add or remove taps
    for (const auto& tap : taps) {
        if (tap->removed || !tap->enabled || !(tap->mask & maskOf(event.type))) continue;
        const TapDecision decision = tap->callback(event);
        if (tap->mode == TapMode::filtering && decision == TapDecision::swallow) return TapDecision::swallow;
    }
    return TapDecision::pass;
}

std::uint64_t X11EventTaps::userFlags() const {
    std::uint64_t deviceBits = 0;
    for (const xcb_keycode_t keycode : m_userModifierKeys)
        if (const auto* modifier = m_keymap.modifier(keycode)) deviceBits |= modifier->deviceBit;
    std::uint64_t flags = ModifierFlag::nonCoalesced | X11KeyTable::flagsForDeviceBits(deviceBits);
    if (m_keymap.isCapsLocked()) flags |= ModifierFlag::capsLock;
    return flags;
}

bool X11EventTaps::isLeaderKey(xcb_keycode_t keycode) const {
    const auto* modifier = m_keymap.modifier(keycode);
    return modifier && (modifier->deviceBit & (ModifierFlag::rightCommand | ModifierFlag::rightOption));
}

bool X11EventTaps::isMenuKey(xcb_keycode_t keycode) const {
    const auto* modifier = m_keymap.modifier(keycode);
    return modifier && modifier->keysym == X11KeyTable::kMenu;
}

// Events.

void X11EventTaps::handle(const xcb_generic_event_t& event) {
    m_handling = true;
    const std::uint8_t type = event.response_type & 0x7f;
    if (m_keymap.handleEvent(event)) {
        // Taken in; a new layout announces itself through the observer.
    } else if (type == 0) {
        handleError(reinterpret_cast<const xcb_generic_error_t&>(event));
    } else if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
        const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
        handleGrabbedKey(key.detail, type == XCB_KEY_PRESS, key.time);
    } else if (type == XCB_GE_GENERIC && m_rawEvents) {
        const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
        if (generic.extension == m_connection.inputOpcode()) {
            const auto& raw = reinterpret_cast<const xcb_input_raw_key_press_event_t&>(event);
            switch (generic.event_type) {
                case XCB_INPUT_RAW_KEY_PRESS:
                case XCB_INPUT_RAW_KEY_RELEASE:
                    handleRawKey(static_cast<xcb_keycode_t>(raw.detail), generic.event_type == XCB_INPUT_RAW_KEY_PRESS,
                                 raw.time, raw.sourceid);
                    break;
                case XCB_INPUT_RAW_BUTTON_PRESS:
                case XCB_INPUT_RAW_BUTTON_RELEASE:
                    handleRawButton(raw.detail, generic.event_type == XCB_INPUT_RAW_BUTTON_PRESS);
                    break;
                default: break;
            }
        }
    }
    m_handling = false;
    if (std::exchange(m_grabsChanged, false)) updateGrabs();
    // The keyboard claimed and not held: just replayed, or refused while another client held it.
    else if (m_grab == Grab::none && std::any_of(m_claims.begin(), m_claims.end(), [](const auto& entry) {
                 return entry.second.kind == KeyClaim::Kind::keyboard;
             }))
        grabKeyboard();
    m_connection.flush();
}

void X11EventTaps::handleRawKey(xcb_keycode_t keycode, bool press, xcb_timestamp_t time, std::uint16_t source) {
    // xdotool types through the same device; only what matches the record is ours.
    const auto posted = source == m_xtestKeyboard ? matchPosted(keycode, press) : std::nullopt;
    const TapDecision decision = take(keycode, press, posted.has_value(), posted.value_or(0));
    m_seen.push_back({keycode, press, time, decision, posted.has_value()});
    if (m_seen.size() > kSeenKept) m_seen.pop_front();
}

void X11EventTaps::handleGrabbedKey(xcb_keycode_t keycode, bool press, xcb_timestamp_t time) {
    // Nothing of ours held the keyboard: this press set off one of the passive grabs. (Whatever
    // comes through a grab is answered, so that the keyboard is never left frozen.)
    if (m_grab == Grab::none) {
        m_grab = Grab::passive;
        m_grabKey = keycode;
    }
    const auto seen = std::find_if(m_seen.begin(), m_seen.end(), [&](const Seen& s) {
        return s.keycode == keycode && s.press == press && s.time == time;
    });
    bool ours = false;
    TapDecision decision = TapDecision::pass;
    if (seen != m_seen.end()) {
        ours = seen->ours;
        decision = seen->decision;
        m_seen.erase(seen);
    } else {
        // Input that came while a grab of ours held the keyboard shows only here.
        const auto posted = matchPosted(keycode, press);
        ours = posted.has_value();
        decision = take(keycode, press, ours, posted.value_or(0));
    }

    // A Menu key serving as a leader is held back; under a keyboard grab it is any other key.
    bool typeMenu = false;
    if (!ours && isMenuKey(keycode) && m_grabbed.count({keycode, static_cast<std::uint16_t>(XCB_MOD_MASK_ANY)})) {
        if (press) {
            m_menuHeldBack = true;
            decision = TapDecision::swallow;
        } else if (std::exchange(m_menuHeldBack, false)) {
            decision = TapDecision::swallow;
            typeMenu = !m_menuUsed;
        }
    }
    answer(decision);
    if (!press && m_grab == Grab::passive && keycode == m_grabKey) m_grab = Grab::none;
    if (typeMenu) {
        // A Menu key pressed on its own: its own use, as it was never held back.
        fake(keycode, true, 0);
        fake(keycode, false, 0);
    }
}

void X11EventTaps::answer(TapDecision decision) {
    if (m_grab == Grab::none) return;
    if (decision == TapDecision::swallow) {
        // Consumed; the grab stays, so the rest of the key (repeats, release) comes here as well.
        xcb_allow_events(m_connection.connection(), XCB_ALLOW_SYNC_KEYBOARD, XCB_CURRENT_TIME);
        return;
    }
    // Replayed to the focused window as if no grab had been there; the grab ends with it.
    xcb_allow_events(m_connection.connection(), XCB_ALLOW_REPLAY_KEYBOARD, XCB_CURRENT_TIME);
    m_grab = Grab::none;
}

TapDecision X11EventTaps::take(xcb_keycode_t keycode, bool press, bool ours, std::uint64_t postedFlags) {
    const bool repeat = press && m_down[keycode];
    m_down[keycode] = press;

    InputEvent event;
    if (const auto* modifier = m_keymap.modifier(keycode)) {
        // Keys pressed only to give a posted event its flags are no change of the user's flags.
        if (ours || repeat) return TapDecision::pass;
        const bool leadersBefore = !m_leadersHeld.empty();
        if (press) m_userModifierKeys.insert(keycode);
        else m_userModifierKeys.erase(keycode);
        if (isLeaderKey(keycode)) {
            if (press) m_leadersHeld.insert(keycode);
            else m_leadersHeld.erase(keycode);
        }
        if (isMenuKey(keycode) && press) m_menuUsed = false;
        // The first leader key down adds the chord keys' grabs, the last one up removes them.
        if (leadersBefore != !m_leadersHeld.empty()) {
            if (m_handling) m_grabsChanged = true;
            else updateGrabs();
        }
        event.type = EventType::flagsChanged;
        event.keyCode = modifier->code;
        event.flags = userFlags();
        // The lock state changes only after the key: the event says what it will be.
        if (modifier->keysym == X11KeyTable::kCapsLock && press) event.flags ^= ModifierFlag::capsLock;
    } else {
        const auto code = m_keymap.code(keycode);
        if (!code) return TapDecision::pass;
        if (!ours && press && !repeat && std::any_of(m_leadersHeld.begin(), m_leadersHeld.end(), [this](auto key) {
                return isMenuKey(key);
            }))
            m_menuUsed = true;
        event.type = press ? EventType::keyDown : EventType::keyUp;
        event.keyCode = *code;
        event.flags = ours ? postedFlags : userFlags();
        event.isRepeat = repeat;
        const X11KeyTable::Key* key = X11KeyTable::key(*code);
        event.characters = key && !key->characters.empty() ? std::string(key->characters) : m_keymap.characters(keycode);
        if (ours) event.userData = kSyntheticEventMarker;
    }
    return dispatch(event);
}

void X11EventTaps::handleRawButton(std::uint32_t button, bool press) {
    EventType type = EventType::null;
    if (button >= 4 && button <= 7) {
        if (!press) return;  // a wheel's click has no release of its own
        type = EventType::scrollWheel;
    } else if (button == 1) {
        type = press ? EventType::leftMouseDown : EventType::leftMouseUp;
    } else if (button == 3) {
        type = press ? EventType::rightMouseDown : EventType::rightMouseUp;
    } else {
        type = press ? EventType::otherMouseDown : EventType::otherMouseUp;
    }
    const bool wanted = std::any_of(m_taps.begin(), m_taps.end(), [&](const auto& tap) {
        return !tap->removed && tap->enabled && (tap->mask & maskOf(type));
    });
    if (!wanted) return;
    InputEvent event;
    event.type = type;
    event.flags = userFlags();
    event.location = QtScreens::toDesktop(QCursor::pos());
    // No grab holds the pointer: a mouse event reaches its window whatever a tap decides.
    dispatch(event);
}

void X11EventTaps::handleError(const xcb_generic_error_t& error) {
    const auto request = m_grabRequests.find(error.full_sequence);
    if (request == m_grabRequests.end()) return;
    const Combination combination = request->second;
    m_grabRequests.erase(request);
    if (error.error_code != kBadAccess || error.major_code != kGrabKeyOpcode) return;
    // Once per key: a leader's chord keys are grabbed under many modifier states at once.
    if (!m_refusals.insert(combination.first).second) return;
    m_log.info("Key taps: another application holds " + describe(combination.first, combination.second) +
               "; it stays with that application");
}

// Grabs.

std::set<X11EventTaps::Combination> X11EventTaps::wantedGrabs(bool& keyboard) const {
    std::set<Combination> wanted;
    keyboard = false;
    if (!isAvailable()) return wanted;
    // Num Lock and Caps Lock change the modifier state, so each combination is grabbed with every
    // state of the two.
    std::vector<std::uint16_t> locks{0, XCB_MOD_MASK_LOCK};
    if (const std::uint16_t numLock = m_keymap.numLockMask()) locks.insert(locks.end(), {numLock, static_cast<std::uint16_t>(numLock | XCB_MOD_MASK_LOCK)});

    std::uint64_t leaderBits = 0;
    std::set<xcb_keycode_t> chordKeys;
    for (const auto& [id, claim] : m_claims) {
        switch (claim.kind) {
            case KeyClaim::Kind::keyboard: keyboard = true; break;
            case KeyClaim::Kind::leader:
                leaderBits |= claim.modifiers;
                for (const std::uint16_t code : claim.keyCodes)
                    if (const auto keycode = m_keymap.keycodeAt(code)) chordKeys.insert(*keycode);
                break;
            case KeyClaim::Kind::combination: {
                std::uint16_t mask = 0;
                bool expressible = true;
                for (const std::uint64_t flag :
                     {ModifierFlag::shift, ModifierFlag::control, ModifierFlag::option, ModifierFlag::command}) {
                    if (!(claim.modifiers & flag)) continue;
                    const std::uint16_t bit = m_keymap.maskFor(flag);
                    expressible = expressible && bit != 0;
                    mask |= bit;
                }
                if (!expressible) break;
                for (const std::uint16_t code : claim.keyCodes)
                    if (const auto keycode = m_keymap.keycodeAt(code))
                        for (const std::uint16_t lock : locks) wanted.insert({*keycode, static_cast<std::uint16_t>(mask | lock)});
                break;
            }
        }
    }
    if (!leaderBits) return wanted;

    for (unsigned keycode = 8; keycode < 256; ++keycode) {
        const auto* modifier = m_keymap.modifier(static_cast<xcb_keycode_t>(keycode));
        if (modifier && (modifier->deviceBit & leaderBits))
            wanted.insert({static_cast<xcb_keycode_t>(keycode), static_cast<std::uint16_t>(XCB_MOD_MASK_ANY)});
    }
    // While a leader key is down: the chord keys under every state it can make (its own modifier
    // bit, none for the Menu key), with Shift and with an Option key (the feature leader) or without.
    const std::uint16_t option = m_keymap.maskFor(ModifierFlag::option);
    for (const xcb_keycode_t leader : m_leadersHeld) {
        const auto* modifier = m_keymap.modifier(leader);
        if (!modifier || !(modifier->deviceBit & leaderBits)) continue;
        const std::uint16_t base = m_keymap.maskOf(leader);
        for (const xcb_keycode_t key : chordKeys)
            for (const std::uint16_t shift : {std::uint16_t{0}, std::uint16_t{XCB_MOD_MASK_SHIFT}})
                for (const std::uint16_t alt : {std::uint16_t{0}, option})
                    for (const std::uint16_t lock : locks)
                        wanted.insert({key, static_cast<std::uint16_t>(base | shift | alt | lock)});
    }
    return wanted;
}

void X11EventTaps::updateGrabs() {
    if (m_handling) {
        m_grabsChanged = true;
        return;
    }
    if (!m_connection.isOpen()) return;
    xcb_connection_t* c = m_connection.connection();
    const xcb_window_t root = m_connection.root();
    bool keyboard = false;
    const std::set<Combination> wanted = wantedGrabs(keyboard);
    for (const Combination& combination : m_grabbed)
        if (!wanted.count(combination)) xcb_ungrab_key(c, combination.first, root, combination.second);
    for (const Combination& combination : wanted) {
        if (m_grabbed.count(combination)) continue;
        const xcb_void_cookie_t cookie = xcb_grab_key(c, 0, root, combination.second, combination.first,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC);
        m_grabRequests[cookie.sequence] = combination;
    }
    while (m_grabRequests.size() > kGrabRequestsKept) m_grabRequests.erase(m_grabRequests.begin());
    m_grabbed = wanted;

    if (keyboard && m_grab != Grab::keyboard) {
        grabKeyboard();
    } else if (!keyboard && m_grab == Grab::keyboard) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        m_grab = Grab::none;
    }
    if (!keyboard)
        for (const InputEvent& event : std::exchange(m_postedAfterGrab, {})) post(event);
    m_connection.flush();
}

void X11EventTaps::grabKeyboard() {
    xcb_connection_t* c = m_connection.connection();
    auto* reply = xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 0, m_connection.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC),
        nullptr);
    const bool granted = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    // Keys that came while the grab's reply was awaited wait in XCB's queue.
    if (!m_handling) m_connection.drainLater();
    if (!granted) {
        if (!std::exchange(m_keyboardRefusalLogged, true))
            m_log.info("Key taps: another application holds the keyboard; keys go to it until it lets go");
        return;
    }
    m_keyboardRefusalLogged = false;
    m_grab = Grab::keyboard;
    // A synchronous keyboard grab freezes the keyboard at once; from here on it freezes after each
    // key reported, until the key is decided.
    xcb_allow_events(c, XCB_ALLOW_SYNC_KEYBOARD, XCB_CURRENT_TIME);
}

// Posting.

void X11EventTaps::post(const InputEvent& event) {
    if (!isAvailable() || !event.isKey()) return;
    if (m_grab == Grab::keyboard) {
        m_postedAfterGrab.push_back(event);
        return;
    }
    const auto keycode = m_keymap.keycodeTyping(event.keyCode);
    if (!keycode) return;
    const bool press = event.type == EventType::keyDown;
    // X events carry no flags: the modifiers that are not down yet go down around the key.
    std::vector<xcb_keycode_t> helpers;
    for (const auto& [flag, keysym] : {std::pair{ModifierFlag::shift, X11KeyTable::kShiftLeft},
                                       std::pair{ModifierFlag::control, X11KeyTable::kControlLeft},
                                       std::pair{ModifierFlag::option, X11KeyTable::kAltLeft},
                                       std::pair{ModifierFlag::command, X11KeyTable::kSuperLeft}}) {
        if (!(event.flags & flag) || (m_keymap.effectiveMask() & m_keymap.maskFor(flag))) continue;
        const auto keys = m_keymap.keycodesFor(keysym);
        if (!keys.empty()) helpers.push_back(keys.front());
    }
    for (const xcb_keycode_t helper : helpers) fake(helper, true, event.flags);
    fake(*keycode, press, event.flags);
    for (auto helper = helpers.rbegin(); helper != helpers.rend(); ++helper) fake(*helper, false, event.flags);
    m_connection.flush();
}

void X11EventTaps::fake(xcb_keycode_t keycode, bool press, std::uint64_t flags) {
    m_posted.push_back({keycode, press, flags, now()});
    xcb_test_fake_input(m_connection.connection(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME,
                        XCB_NONE, 0, 0, 0);
}

std::optional<std::uint64_t> X11EventTaps::matchPosted(xcb_keycode_t keycode, bool press) {
    const double cutoff = now() - kPostedLifetime;
    while (!m_posted.empty() && m_posted.front().at < cutoff) m_posted.pop_front();
    if (m_posted.empty() || m_posted.front().keycode != keycode || m_posted.front().press != press) return std::nullopt;
    const std::uint64_t flags = m_posted.front().flags;
    m_posted.pop_front();
    return flags;
}

}  // namespace tarnlet::linux_desktop
