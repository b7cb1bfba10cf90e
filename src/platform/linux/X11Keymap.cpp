#include "platform/linux/X11Keymap.h"

// The XKB protocol header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>

#include "platform/InputEvent.h"

namespace tarnlet::linux_desktop {

namespace {

// The head every XKB event shares; they all come under one response type.
struct XkbEventHead {
    std::uint8_t responseType;
    std::uint8_t xkbType;
    std::uint16_t sequence;
    xcb_timestamp_t time;
    std::uint8_t deviceID;
};

}  // namespace

void X11Keymap::Release::operator()(xkb_context* context) const { xkb_context_unref(context); }
void X11Keymap::Release::operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
void X11Keymap::Release::operator()(xkb_state* state) const { xkb_state_unref(state); }

X11Keymap::X11Keymap(xcb_connection_t* connection) : m_connection(connection) {
    if (!connection) return;
    std::uint8_t eventBase = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr))
        return;
    m_eventBase = eventBase;
    m_device = xkb_x11_get_core_keyboard_device_id(connection);
    if (m_device < 0) return;
    m_context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!m_context) return;

    constexpr std::uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                      XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr std::uint16_t kMapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
        XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    constexpr std::uint16_t kStateParts = XCB_XKB_STATE_PART_MODIFIER_BASE | XCB_XKB_STATE_PART_MODIFIER_LATCH |
                                          XCB_XKB_STATE_PART_MODIFIER_LOCK | XCB_XKB_STATE_PART_GROUP_BASE |
                                          XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = kStateParts;
    details.stateDetails = kStateParts;
    const auto device = static_cast<xcb_xkb_device_spec_t>(m_device);
    xcb_xkb_select_events_aux(connection, device, kEvents, 0, 0, kMapParts, kMapParts, &details);
    makeAutoRepeatDetectable(connection);
    load();
}

bool X11Keymap::makeAutoRepeatDetectable(xcb_connection_t* connection) {
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
        return false;
    constexpr std::uint32_t kDetectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    const auto cookie = xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, kDetectable, kDetectable, 0, 0, 0);
    xcb_discard_reply(connection, cookie.sequence);
    return true;
}

X11Keymap::~X11Keymap() = default;

void X11Keymap::load() {
    std::unique_ptr<xkb_keymap, Release> keymap(
        xkb_x11_keymap_new_from_device(m_context.get(), m_connection, m_device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return;
    std::unique_ptr<xkb_state, Release> state(xkb_x11_state_new_from_device(keymap.get(), m_connection, m_device));
    if (!state) return;
    m_keymap = std::move(keymap);
    m_state = std::move(state);

    m_codes.fill(std::nullopt);
    m_modifiers.fill(nullptr);
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(m_keymap.get()), 255);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(m_keymap.get()); keycode <= last; ++keycode) {
        if (const auto* modifier = X11KeyTable::modifier(baseKeysym(static_cast<xcb_keycode_t>(keycode), 0))) {
            m_modifiers[keycode] = modifier;
        } else if (const char* name = xkb_keymap_key_get_name(m_keymap.get(), keycode)) {
            m_codes[keycode] = X11KeyTable::codeAt(name);
        }
    }
    readModifierMapping();

    auto* reply = xcb_xkb_get_state_reply(m_connection, xcb_xkb_get_state(m_connection, static_cast<xcb_xkb_device_spec_t>(m_device)), nullptr);
    if (reply) {
        m_lockedMods = reply->lockedMods;
        m_effectiveMods = reply->mods;
        std::free(reply);
    }
}

void X11Keymap::readModifierMapping() {
    m_optionMask = m_commandMask = m_numLockMask = 0;
    m_keyMasks.fill(0);
    auto* reply = xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
    if (!reply) return;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    for (int bit = 0; bit < 8; ++bit) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[bit * perModifier + i];
            if (keycode == 0) continue;
            const auto mask = static_cast<std::uint16_t>(1u << bit);
            m_keyMasks[keycode] |= mask;
            if (baseKeysym(keycode, 0) == X11KeyTable::kNumLock) m_numLockMask |= mask;
            const auto* modifier = m_modifiers[keycode];
            if (!modifier) continue;
            // The Menu key sets no modifier bit of its own; Command's bit is the Super keys'.
            if (modifier->flag == ModifierFlag::option) m_optionMask |= mask;
            if (modifier->flag == ModifierFlag::command && modifier->keysym != X11KeyTable::kMenu) m_commandMask |= mask;
        }
    }
    std::free(reply);
}

bool X11Keymap::handleEvent(const xcb_generic_event_t& event) {
    if (!m_context || (event.response_type & 0x7f) != m_eventBase) return false;
    const auto& head = reinterpret_cast<const XkbEventHead&>(event);
    if (head.deviceID != m_device) return true;
    switch (head.xkbType) {
        case XCB_XKB_STATE_NOTIFY: {
            const auto& notify = reinterpret_cast<const xcb_xkb_state_notify_event_t&>(event);
            m_lockedMods = notify.lockedMods;
            m_effectiveMods = notify.mods;
            if (m_state)
                xkb_state_update_mask(m_state.get(), notify.baseMods, notify.latchedMods, notify.lockedMods,
                                      static_cast<xkb_layout_index_t>(notify.baseGroup),
                                      static_cast<xkb_layout_index_t>(notify.latchedGroup), notify.lockedGroup);
            break;
        }
        case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        case XCB_XKB_MAP_NOTIFY:
            load();
            m_changes.notify();
            break;
        default: break;
    }
    return true;
}

std::uint32_t X11Keymap::baseKeysym(xcb_keycode_t keycode, std::uint32_t layout) const {
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(m_keymap.get(), keycode, layout, 0, &syms);
    return count > 0 ? syms[0] : 0;
}

std::optional<std::uint16_t> X11Keymap::code(xcb_keycode_t keycode) const { return m_codes[keycode]; }

std::vector<xcb_keycode_t> X11Keymap::keycodesFor(std::uint32_t keysym) const {
    std::vector<xcb_keycode_t> out;
    if (!m_keymap) return out;
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(m_keymap.get()), 255);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(m_keymap.get()); keycode <= last; ++keycode)
        if (baseKeysym(static_cast<xcb_keycode_t>(keycode), 0) == keysym) out.push_back(static_cast<xcb_keycode_t>(keycode));
    return out;
}

std::optional<xcb_keycode_t> X11Keymap::keycodeAt(std::uint16_t code) const {
    for (std::size_t keycode = 0; keycode < m_codes.size(); ++keycode)
        if (m_codes[keycode] == code) return static_cast<xcb_keycode_t>(keycode);
    return std::nullopt;
}

std::optional<xcb_keycode_t> X11Keymap::keycodeTyping(std::uint16_t code) const {
    const X11KeyTable::Key* key = X11KeyTable::key(code);
    if (m_state && key && key->keysym != 0) {
        const auto layout = xkb_state_serialize_layout(m_state.get(), XKB_STATE_LAYOUT_EFFECTIVE);
        const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(m_keymap.get()), 255);
        for (xkb_keycode_t keycode = xkb_keymap_min_keycode(m_keymap.get()); keycode <= last; ++keycode)
            if (baseKeysym(static_cast<xcb_keycode_t>(keycode), layout) == key->keysym)
                return static_cast<xcb_keycode_t>(keycode);
    }
    return keycodeAt(code);
}

std::uint16_t X11Keymap::maskFor(std::uint64_t flag) const {
    if (flag == ModifierFlag::shift) return XCB_MOD_MASK_SHIFT;
    if (flag == ModifierFlag::control) return XCB_MOD_MASK_CONTROL;
    if (flag == ModifierFlag::option) return m_optionMask;
    if (flag == ModifierFlag::command) return m_commandMask;
    return 0;
}

std::string X11Keymap::characters(xcb_keycode_t keycode) const {
    if (!m_state) return {};
    char buffer[32] = {};
    const int length = xkb_state_key_get_utf8(m_state.get(), keycode, buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace tarnlet::linux_desktop
