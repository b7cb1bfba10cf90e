#include "platform/sim/SimKeyboard.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimPermissions.h"

namespace tarnlet::sim {

struct SimKeyboard::Tap {
    EventMask mask;
    TapMode mode;
    Callback callback;
    bool enabled = true;
    bool removed = false;
};

namespace {

struct KeyInfo {
    std::uint16_t code;
    const char* name;
    const char* plain;    // typed without Shift
    const char* shifted;  // typed with Shift
};

// The ANSI positions of the US layout.
// Characters of the private function-key range, as UTF-8: what the arrows, function keys and
// navigation keys type on the real keyboard.
constexpr const char* kUpArrow = "\uF700";
constexpr const char* kDownArrow = "\uF701";
constexpr const char* kLeftArrow = "\uF702";
constexpr const char* kRightArrow = "\uF703";
constexpr const char* kF1 = "\uF704";
constexpr const char* kF2 = "\uF705";
constexpr const char* kF3 = "\uF706";
constexpr const char* kF4 = "\uF707";
constexpr const char* kF5 = "\uF708";
constexpr const char* kF6 = "\uF709";
constexpr const char* kF7 = "\uF70A";
constexpr const char* kF8 = "\uF70B";
constexpr const char* kF9 = "\uF70C";
constexpr const char* kF10 = "\uF70D";
constexpr const char* kF11 = "\uF70E";
constexpr const char* kF12 = "\uF70F";
constexpr const char* kForwardDelete = "\uF728";
constexpr const char* kHome = "\uF729";
constexpr const char* kEnd = "\uF72B";

// What each key types on the US layout.
constexpr KeyInfo kKeys[] = {
    {0, "a", "a", "A"},        {11, "b", "b", "B"},      {8, "c", "c", "C"},       {2, "d", "d", "D"},
    {14, "e", "e", "E"},       {3, "f", "f", "F"},       {5, "g", "g", "G"},       {4, "h", "h", "H"},
    {34, "i", "i", "I"},       {38, "j", "j", "J"},      {40, "k", "k", "K"},      {37, "l", "l", "L"},
    {46, "m", "m", "M"},       {45, "n", "n", "N"},      {31, "o", "o", "O"},      {35, "p", "p", "P"},
    {12, "q", "q", "Q"},       {15, "r", "r", "R"},      {1, "s", "s", "S"},       {17, "t", "t", "T"},
    {32, "u", "u", "U"},       {9, "v", "v", "V"},       {13, "w", "w", "W"},      {7, "x", "x", "X"},
    {16, "y", "y", "Y"},       {6, "z", "z", "Z"},       {29, "0", "0", ")"},      {18, "1", "1", "!"},
    {19, "2", "2", "@"},       {20, "3", "3", "#"},      {21, "4", "4", "$"},      {23, "5", "5", "%"},
    {22, "6", "6", "^"},       {26, "7", "7", "&"},      {28, "8", "8", "*"},      {25, "9", "9", "("},
    {27, "-", "-", "_"},       {24, "=", "=", "+"},      {33, "[", "[", "{"},      {30, "]", "]", "}"},
    {42, "\\", "\\", "|"},     {41, ";", ";", ":"},      {39, "'", "'", "\""},     {43, ",", ",", "<"},
    {47, ".", ".", ">"},       {44, "/", "/", "?"},      {50, "`", "`", "~"},      {49, "space", " ", " "},
    {36, "return", "\r", "\r"}, {48, "tab", "\t", "\t"}, {53, "escape", "\x1b", "\x1b"},
    {51, "delete", "\x7f", "\x7f"},
    {123, "left", kLeftArrow, kLeftArrow},     {124, "right", kRightArrow, kRightArrow},
    {125, "down", kDownArrow, kDownArrow},     {126, "up", kUpArrow, kUpArrow},
    {122, "f1", kF1, kF1},    {120, "f2", kF2, kF2},    {99, "f3", kF3, kF3},     {118, "f4", kF4, kF4},
    {96, "f5", kF5, kF5},     {97, "f6", kF6, kF6},     {98, "f7", kF7, kF7},     {100, "f8", kF8, kF8},
    {101, "f9", kF9, kF9},    {109, "f10", kF10, kF10}, {103, "f11", kF11, kF11}, {111, "f12", kF12, kF12},
    {117, "forwarddelete", kForwardDelete, kForwardDelete}, {115, "home", kHome, kHome}, {119, "end", kEnd, kEnd},
};

struct ModifierInfo {
    std::uint16_t code;
    const char* name;
    std::uint64_t deviceBit;
    std::uint64_t bit;
};

constexpr std::array<ModifierInfo, 10> kModifiers = {{
    {54, "rcmd", ModifierFlag::rightCommand, ModifierFlag::command},
    {55, "lcmd", ModifierFlag::leftCommand, ModifierFlag::command},
    {56, "lshift", ModifierFlag::leftShift, ModifierFlag::shift},
    {57, "capslock", 0, ModifierFlag::capsLock},
    {58, "lopt", ModifierFlag::leftOption, ModifierFlag::option},
    {59, "lctrl", ModifierFlag::leftControl, ModifierFlag::control},
    {60, "rshift", ModifierFlag::rightShift, ModifierFlag::shift},
    {61, "ropt", ModifierFlag::rightOption, ModifierFlag::option},
    {62, "rctrl", ModifierFlag::rightControl, ModifierFlag::control},
    {63, "fn", 0, ModifierFlag::function},
}};

const ModifierInfo* modifier(std::uint16_t code) {
    for (const auto& m : kModifiers)
        if (m.code == code) return &m;
    return nullptr;
}

class SimEventTap : public EventTap {
public:
    explicit SimEventTap(std::shared_ptr<SimKeyboard::Tap> tap) : m_tap(std::move(tap)) {}
    ~SimEventTap() override {
        m_tap->removed = true;
        m_tap->enabled = false;
    }
    void setEnabled(bool enabled) override { m_tap->enabled = enabled; }
    bool isEnabled() const override { return m_tap->enabled; }

private:
    std::shared_ptr<SimKeyboard::Tap> m_tap;
};

}  // namespace

SimKeyboard::SimKeyboard(SimMainQueue& queue, SimPermissions& permissions, SimHotKeys& hotKeys, SimPasteboard& pasteboard)
    : m_queue(queue), m_permissions(permissions), m_hotKeys(hotKeys), m_pasteboard(pasteboard),
      m_taps(std::make_shared<std::vector<std::shared_ptr<Tap>>>()),
      m_claims(std::make_shared<std::vector<std::pair<std::uint64_t, KeyClaim>>>()) {}

SimKeyboard::~SimKeyboard() = default;

std::unique_ptr<EventTap> SimKeyboard::createTap(EventMask mask, TapMode mode, Callback callback) {
    if (!m_permissions.isAccessibilityTrusted() || !callback) return nullptr;
    std::erase_if(*m_taps, [](const auto& tap) { return tap->removed; });
    auto tap = std::make_shared<Tap>(Tap{mask, mode, std::move(callback)});
    m_taps->insert(m_taps->begin(), tap);
    return std::make_unique<SimEventTap>(tap);
}

void SimKeyboard::post(const InputEvent& event) {
    m_queue.post([this, event] { dispatch(event); });
}

Subscription SimKeyboard::claimKeys(KeyClaim claim) {
    const std::uint64_t id = ++m_lastClaim;
    m_claims->emplace_back(id, std::move(claim));
    return Subscription([claims = std::weak_ptr(m_claims), id] {
        if (auto list = claims.lock()) std::erase_if(*list, [id](const auto& entry) { return entry.first == id; });
    });
}

std::vector<KeyClaim> SimKeyboard::claims() const {
    std::vector<KeyClaim> out;
    for (const auto& entry : *m_claims) out.push_back(entry.second);
    return out;
}

std::uint64_t SimKeyboard::flags() const {
    std::uint64_t flags = ModifierFlag::nonCoalesced;
    for (std::uint16_t code : m_down)
        if (const auto* m = modifier(code)) flags |= m->deviceBit | m->bit;
    return flags;
}

InputEvent SimKeyboard::keyEvent(EventType type, std::uint16_t code, bool repeat) const {
    InputEvent event;
    event.type = type;
    event.keyCode = code;
    event.flags = flags();
    event.isRepeat = repeat;
    event.characters = characters(code, event.flags);
    return event;
}

void SimKeyboard::keyDown(std::uint16_t code) {
    if (isModifierKey(code)) {
        if (!m_down.insert(code).second) return;
        InputEvent event;
        event.type = EventType::flagsChanged;
        event.keyCode = code;
        event.flags = flags();
        dispatch(event);
        return;
    }
    // A key already down repeats on its own; pressing it again without a release is not possible.
    if (!m_down.insert(code).second) return;
    if (onHardwareEvent) onHardwareEvent(EventType::keyDown);
    dispatch(keyEvent(EventType::keyDown, code, false));
    scheduleRepeat(code, kInitialRepeatDelay);
}

void SimKeyboard::keyUp(std::uint16_t code) {
    if (!m_down.erase(code)) return;
    if (isModifierKey(code)) {
        InputEvent event;
        event.type = EventType::flagsChanged;
        event.keyCode = code;
        event.flags = flags();
        dispatch(event);
        return;
    }
    // Releasing an earlier key leaves the last key's repeat running; only its own release ends it.
    if (code == m_repeatCode) m_repeat.cancel();
    dispatch(keyEvent(EventType::keyUp, code, false));
}

void SimKeyboard::scroll() {
    if (onHardwareEvent) onHardwareEvent(EventType::scrollWheel);
    InputEvent event;
    event.type = EventType::scrollWheel;
    event.flags = flags();
    dispatch(event);
}

void SimKeyboard::releaseAll() {
    const std::vector<std::uint16_t> down(m_down.begin(), m_down.end());
    for (std::uint16_t code : down)
        if (!isModifierKey(code)) keyUp(code);
    for (std::uint16_t code : down)
        if (isModifierKey(code)) keyUp(code);
}

void SimKeyboard::scheduleRepeat(std::uint16_t code, double delay) {
    // Only the last key pressed repeats, as on a real keyboard.
    m_repeatCode = code;
    m_repeat = m_queue.postAfter(delay, [this, code] {
        if (!m_down.count(code)) return;
        dispatch(keyEvent(EventType::keyDown, code, true));
        scheduleRepeat(code, kRepeatInterval);
    });
}

void SimKeyboard::dispatch(const InputEvent& event) {
    const auto taps = *m_taps;  // a callback may add or remove taps
    for (const auto& tap : taps) {
        if (tap->removed || !tap->enabled || !(tap->mask & maskOf(event.type))) continue;
        if (m_secureInput && event.isKey()) continue;
        if (event.isKey()) ++m_keyCallbacks;
        const TapDecision decision = tap->callback(event);
        if (tap->mode == TapMode::filtering && decision == TapDecision::swallow) return;
    }
    if (event.type == EventType::keyDown && !event.isRepeat && m_hotKeys.handleKeyDown(event.keyCode, event.flags))
        return;
    m_delivered.push_back({m_frontApplication, event});
    frontApplicationEdits(event);
    // The handler gets its own copy: if it types in turn, the record may grow and move.
    if (onDeliver) onDeliver(Delivery(m_delivered.back()));
}

void SimKeyboard::frontApplicationEdits(const InputEvent& event) {
    constexpr std::uint64_t kModifiers =
        ModifierFlag::shift | ModifierFlag::control | ModifierFlag::option | ModifierFlag::command;
    if (event.type != EventType::keyDown || event.isRepeat || (event.flags & kModifiers) != m_shortcutModifier) return;
    constexpr std::uint16_t kX = 7, kC = 8, kV = 9;
    if ((event.keyCode == kC || event.keyCode == kX) && !m_selection.empty()) m_pasteboard.copy(m_selection);
    if (event.keyCode == kV) {
        if (auto text = m_pasteboard.string()) m_pasted.push_back({m_frontApplication, *text});
    }
}

void SimKeyboard::disableTapsByTimeout() {
    const auto taps = *m_taps;
    for (const auto& tap : taps) {
        if (tap->removed || !tap->enabled) continue;
        tap->enabled = false;
        InputEvent event;
        event.type = EventType::tapDisabledByTimeout;
        tap->callback(event);
    }
}

std::size_t SimKeyboard::tapCount() const {
    return static_cast<std::size_t>(std::count_if(m_taps->begin(), m_taps->end(), [](const auto& t) { return !t->removed; }));
}

std::size_t SimKeyboard::enabledTapCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_taps->begin(), m_taps->end(), [](const auto& t) { return !t->removed && t->enabled; }));
}

std::optional<std::uint16_t> SimKeyboard::keyCode(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "cmd" || lower == "command") lower = "lcmd";
    if (lower == "opt" || lower == "option") lower = "lopt";
    if (lower == "ctrl" || lower == "control") lower = "lctrl";
    if (lower == "shift") lower = "lshift";
    if (lower == "esc") lower = "escape";
    for (const auto& m : kModifiers)
        if (lower == m.name) return m.code;
    for (const auto& k : kKeys)
        if (lower == k.name) return k.code;
    return std::nullopt;
}

std::string SimKeyboard::keyName(std::uint16_t code) {
    for (const auto& m : kModifiers)
        if (m.code == code) return m.name;
    for (const auto& k : kKeys)
        if (k.code == code) return k.name;
    return "key" + std::to_string(code);
}

bool SimKeyboard::isModifierKey(std::uint16_t code) { return modifier(code) != nullptr; }

std::string SimKeyboard::characters(std::uint16_t code, std::uint64_t flags) {
    for (const auto& k : kKeys) {
        if (k.code != code) continue;
        const bool shifted = (flags & ModifierFlag::shift) != 0;
        std::string text = shifted ? k.shifted : k.plain;
        if ((flags & ModifierFlag::capsLock) && text.size() == 1 && std::isalpha(static_cast<unsigned char>(text[0])))
            text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        return text;
    }
    return {};
}

}  // namespace tarnlet::sim
