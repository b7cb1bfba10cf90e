#include "clipboard/PasteFlow.h"

#include <algorithm>
#include <array>

#include "platform/InputEvent.h"

namespace tarnlet {

namespace {

constexpr std::uint64_t kModifiers = ModifierFlag::shift | ModifierFlag::control | ModifierFlag::option | ModifierFlag::command;

PasteFlow::Action act(PasteFlow::ActionKind kind, int slot = 0) { return {kind, slot}; }
PasteFlow::Decision pass() { return {}; }
PasteFlow::Decision swallow(PasteFlow::Action action = {}, bool prepare = false) {
    PasteFlow::Decision d;
    d.swallow = true;
    d.action = action;
    d.prepareEntries = prepare;
    return d;
}
PasteFlow::Decision toTab(std::optional<ClipboardTab> tab, bool other = false) {
    PasteFlow::Decision d = swallow();
    d.tab = tab;
    d.otherTab = other;
    return d;
}
PasteFlow::State menuAt(int slot) { return {PasteFlow::StateKind::menu, slot}; }
constexpr PasteFlow::State kIdle{};

}  // namespace

std::optional<int> PasteFlow::digit(std::int64_t keyCode) {
    static constexpr std::array<std::int64_t, 9> codes = {18, 19, 20, 21, 23, 22, 26, 28, 25};
    const auto it = std::find(codes.begin(), codes.end(), keyCode);
    if (it == codes.end()) return std::nullopt;
    return static_cast<int>(it - codes.begin()) + 1;
}

PasteFlow::Decision PasteFlow::pasteKey(std::int64_t keyCode, std::uint64_t flags, bool isKeyUp, bool isRepeat) {
    if (keyCode != kV) return pass();
    switch (m_state.kind) {
        case StateKind::idle:
            // ⌘⇧V, ⌃⌘V and the like belong to the application.
            if (isKeyUp || (flags & kModifiers) != m_shortcutModifier) return pass();
            if (isRepeat) return swallow();
            m_state = {StateKind::holding, 0};
            return swallow(act(ActionKind::startHold), true);
        case StateKind::holding:
            if (!isKeyUp) return swallow();
            // Released before the picker opened: a plain paste.
            m_state = kIdle;
            return swallow(act(ActionKind::replayPaste));
        case StateKind::menu:
            return pass();
    }
    return pass();
}

PasteFlow::Action PasteFlow::commandReleased() {
    if (m_state.kind != StateKind::holding) return {};
    m_state = kIdle;
    return act(ActionKind::replayPaste);
}

PasteFlow::Action PasteFlow::holdFired(bool hasEntries) {
    if (m_state.kind != StateKind::holding) return {};
    if (!hasEntries) {
        m_state = kIdle;
        return act(ActionKind::replayPaste);
    }
    m_state = menuAt(1);
    return act(ActionKind::openPicker);
}

PasteFlow::Action PasteFlow::openFromChord(bool hasEntries) {
    if (!hasEntries) return {};
    m_state = menuAt(1);
    return act(ActionKind::openPicker);
}

PasteFlow::Decision PasteFlow::menuKey(std::int64_t keyCode, bool isKeyUp, int count) {
    if (m_state.kind != StateKind::menu) return pass();
    const int h = m_state.highlighted;
    const auto slot = digit(keyCode);
    const bool listed = slot || keyCode == kV || keyCode == kReturn || keyCode == kEnter || keyCode == kGrave ||
                        keyCode == kEscape || keyCode == kLeft || keyCode == kRight || keyCode == kDown || keyCode == kUp;
    if (!listed) return pass();
    if (isKeyUp) return swallow();
    if (slot) {
        if (*slot > count) return swallow();
        m_state = kIdle;
        return swallow(act(ActionKind::paste, *slot));
    }
    switch (keyCode) {
        case kReturn:
        case kEnter:
            m_state = kIdle;
            return swallow(act(ActionKind::paste, h));
        case kEscape:
            m_state = kIdle;
            return swallow(act(ActionKind::close));
        case kGrave:
            return toTab(std::nullopt, true);
        case kLeft:
            return toTab(ClipboardTab::recent);
        case kRight:
            return toTab(ClipboardTab::pins);
        case kDown:
            m_state = menuAt(std::max(1, std::min(count, h + 1)));
            return swallow(act(ActionKind::highlight, m_state.highlighted));
        case kUp:
            m_state = menuAt(std::max(1, h - 1));
            return swallow(act(ActionKind::highlight, m_state.highlighted));
        default:
            return swallow();  // V: ⌘V repeats while the picker shows do nothing
    }
}

PasteFlow::Action PasteFlow::pick(int slot, int count) {
    if (m_state.kind != StateKind::menu || slot < 1 || slot > count) return {};
    m_state = kIdle;
    return act(ActionKind::paste, slot);
}

PasteFlow::Action PasteFlow::hover(int slot, int count) {
    if (m_state.kind != StateKind::menu || slot < 1 || slot > count) return {};
    m_state = menuAt(slot);
    return act(ActionKind::highlight, slot);
}

PasteFlow::Action PasteFlow::outsideClick() {
    if (m_state.kind != StateKind::menu) return {};
    m_state = kIdle;
    return act(ActionKind::close);
}

void PasteFlow::tabSwitched() {
    if (m_state.kind == StateKind::menu) m_state = menuAt(1);
}

}  // namespace tarnlet
