#include "platform/linux/X11HotKeys.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/InputEvent.h"
#include "platform/SystemLog.h"
#include "platform/linux/X11KeyTable.h"
#include "platform/linux/X11Keymap.h"

namespace tarnlet::linux_desktop {

struct X11HotKeys::State {
    struct Entry {
        std::uint64_t token;
        std::uint16_t keyCode;
        std::uint32_t modifiers;
        HotKeyIdentity identity;
        // What is grabbed now; no keycode when nothing is.
        xcb_keycode_t keycode = 0;
        std::uint16_t mask = 0;
        std::vector<std::uint16_t> variants{};
    };

    State(const X11Keymap& keymap, SystemLog& log) : keymap(keymap), log(log) {}

    const X11Keymap& keymap;
    SystemLog& log;
    X11EventConnection connection;
    std::vector<Entry> entries;
    std::uint64_t lastToken = 0;
    std::function<void(HotKeyIdentity)> handler;
    std::uint64_t handlerToken = 0;
    std::set<xcb_keycode_t> held;

    // The combination's variants: its modifiers with each state of Num Lock and Caps Lock.
    std::vector<std::uint16_t> variants(std::uint16_t mask) const {
        std::set<std::uint16_t> out{mask, static_cast<std::uint16_t>(mask | XCB_MOD_MASK_LOCK)};
        if (const std::uint16_t numLock = keymap.numLockMask()) {
            out.insert(static_cast<std::uint16_t>(mask | numLock));
            out.insert(static_cast<std::uint16_t>(mask | numLock | XCB_MOD_MASK_LOCK));
        }
        return {out.begin(), out.end()};
    }

    // Grabs the entry's combination as the layout has it now; false when the layout cannot express
    // it or another client holds it (then nothing of it stays grabbed).
    bool grab(Entry& entry) {
        entry.keycode = 0;
        xcb_connection_t* c = connection.connection();
        const auto keycode = keymap.keycodeAt(entry.keyCode);
        if (!c || !keycode) return false;
        std::uint16_t mask = 0;
        const std::uint64_t flags = X11KeyTable::flagsForHotKeyModifiers(entry.modifiers);
        for (const std::uint64_t flag :
             {ModifierFlag::shift, ModifierFlag::control, ModifierFlag::option, ModifierFlag::command}) {
            if (!(flags & flag)) continue;
            const std::uint16_t bit = keymap.maskFor(flag);
            if (!bit) return false;
            mask |= bit;
        }
        std::vector<xcb_void_cookie_t> cookies;
        entry.keycode = *keycode;
        entry.mask = mask;
        entry.variants = variants(mask);
        for (const std::uint16_t variant : entry.variants)
            cookies.push_back(xcb_grab_key_checked(c, 0, connection.root(), variant, *keycode, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
        bool refused = false;
        for (const xcb_void_cookie_t cookie : cookies) {
            if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
                refused = true;
                std::free(error);
            }
        }
        connection.drainLater();
        // A variant refused leaves the others to be let go: ungrabbing what another client holds
        // touches only this client's grabs.
        if (refused) {
            ungrab(entry);
            return false;
        }
        return true;
    }

    void ungrab(Entry& entry) {
        if (!entry.keycode || !connection.isOpen()) return;
        for (const std::uint16_t variant : entry.variants)
            xcb_ungrab_key(connection.connection(), entry.keycode, connection.root(), variant);
        connection.flush();
        entry.keycode = 0;
    }

    void regrabAll() {
        for (Entry& entry : entries) {
            ungrab(entry);
            if (!grab(entry))
                log.info("Hot keys: key code " + std::to_string(entry.keyCode) +
                         " cannot be grabbed again under the new keyboard layout");
        }
    }

    void handle(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return;
        const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
        if (type == XCB_KEY_RELEASE) {
            held.erase(key.detail);
            return;
        }
        // A held key repeats as further presses: the hot key fires once.
        if (!held.insert(key.detail).second) return;
        const std::uint16_t locks = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | keymap.numLockMask());
        const std::uint16_t mask = key.state & 0xff & ~locks;
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
            return e.keycode == key.detail && e.mask == mask;
        });
        if (entry == entries.end() || !handler) return;
        // The handler may unregister hot keys and so change the entries; it runs on copies.
        const auto onPress = handler;
        const HotKeyIdentity identity = entry->identity;
        onPress(identity);
    }
};

namespace {

class Registration : public HotKeyRegistration {
public:
    Registration(std::weak_ptr<X11HotKeys::State> state, std::uint64_t token) : m_state(std::move(state)), m_token(token) {}
    ~Registration() override {
        auto state = m_state.lock();
        if (!state) return;
        const auto entry = std::find_if(state->entries.begin(), state->entries.end(),
                                        [this](const auto& e) { return e.token == m_token; });
        if (entry == state->entries.end()) return;
        state->ungrab(*entry);
        state->entries.erase(entry);
    }

private:
    std::weak_ptr<X11HotKeys::State> m_state;
    std::uint64_t m_token;
};

}  // namespace

X11HotKeys::X11HotKeys(const X11Keymap& keymap, SystemLog& log) : m_state(std::make_shared<State>(keymap, log)) {
    State& state = *m_state;
    if (!state.connection.isOpen()) return;
    X11Keymap::makeAutoRepeatDetectable(state.connection.connection());
    state.connection.watch([&state](const xcb_generic_event_t& event) { state.handle(event); });
    m_keymapChanges = keymap.observeChanges([weak = std::weak_ptr<State>(m_state)] {
        if (auto alive = weak.lock()) alive->regrabAll();
    });
}

X11HotKeys::~X11HotKeys() {
    m_state->connection.watch(nullptr);
    for (auto& entry : m_state->entries) m_state->ungrab(entry);
    m_state->entries.clear();
}

std::unique_ptr<HotKeyRegistration> X11HotKeys::registerHotKey(std::uint16_t keyCode, std::uint32_t modifiers,
                                                               HotKeyIdentity identity) {
    State& state = *m_state;
    // This process's own registration of the same combination holds it as firmly as another's.
    const bool ours = std::any_of(state.entries.begin(), state.entries.end(), [&](const auto& e) {
        return e.keyCode == keyCode && e.modifiers == modifiers;
    });
    if (ours) return nullptr;
    State::Entry entry{.token = ++state.lastToken, .keyCode = keyCode, .modifiers = modifiers, .identity = identity, .variants = {}};
    if (!state.grab(entry)) return nullptr;
    state.entries.push_back(entry);
    return std::make_unique<Registration>(m_state, entry.token);
}

Subscription X11HotKeys::installHandler(std::function<void(HotKeyIdentity)> onPress) {
    m_state->handler = std::move(onPress);
    const std::uint64_t token = ++m_state->lastToken;
    m_state->handlerToken = token;
    return Subscription([weak = std::weak_ptr<State>(m_state), token] {
        if (auto state = weak.lock(); state && state->handlerToken == token) {
            state->handler = nullptr;
            state->handlerToken = 0;
        }
    });
}

}  // namespace tarnlet::linux_desktop
