#include "platform/sim/SimHotKeys.h"

#include <algorithm>

#include "platform/InputEvent.h"

namespace tarnlet::sim {

struct SimHotKeys::State {
    struct Entry {
        std::uint64_t token;
        std::uint16_t keyCode;
        std::uint32_t modifiers;
        HotKeyIdentity identity;
        bool ours;
    };
    std::vector<Entry> entries;
    std::uint64_t lastToken = 0;
    std::function<void(HotKeyIdentity)> handler;
    std::uint64_t handlerToken = 0;

    bool taken(std::uint16_t keyCode, std::uint32_t modifiers) const {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const Entry& e) { return e.keyCode == keyCode && e.modifiers == modifiers; });
    }
};

namespace {

class Registration : public HotKeyRegistration {
public:
    Registration(std::weak_ptr<SimHotKeys::State> state, std::uint64_t token) : m_state(std::move(state)), m_token(token) {}
    ~Registration() override {
        if (auto state = m_state.lock())
            std::erase_if(state->entries, [this](const auto& e) { return e.token == m_token; });
    }

private:
    std::weak_ptr<SimHotKeys::State> m_state;
    std::uint64_t m_token;
};

}  // namespace

SimHotKeys::SimHotKeys() : m_state(std::make_shared<State>()) {}
SimHotKeys::~SimHotKeys() = default;

std::unique_ptr<HotKeyRegistration> SimHotKeys::registerHotKey(std::uint16_t keyCode, std::uint32_t modifiers,
                                                               HotKeyIdentity identity) {
    if (m_state->taken(keyCode, modifiers)) return nullptr;
    const std::uint64_t token = ++m_state->lastToken;
    m_state->entries.push_back({token, keyCode, modifiers, identity, true});
    return std::make_unique<Registration>(m_state, token);
}

Subscription SimHotKeys::installHandler(std::function<void(HotKeyIdentity)> onPress) {
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

void SimHotKeys::takeByOtherApplication(std::uint16_t keyCode, std::uint32_t modifiers) {
    m_state->entries.push_back({++m_state->lastToken, keyCode, modifiers, {}, false});
}

bool SimHotKeys::handleKeyDown(std::uint16_t keyCode, std::uint64_t flags) {
    const std::uint32_t modifiers = modifiersFromFlags(flags);
    for (const auto& entry : m_state->entries) {
        if (entry.keyCode != keyCode || entry.modifiers != modifiers) continue;
        // Another application's combination is consumed by that application.
        if (entry.ours) deliver(entry.identity);
        return true;
    }
    return false;
}

void SimHotKeys::deliver(HotKeyIdentity identity) {
    if (auto handler = m_state->handler) handler(identity);
}

bool SimHotKeys::isHandlerInstalled() const { return static_cast<bool>(m_state->handler); }

std::size_t SimHotKeys::registrationCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_state->entries.begin(), m_state->entries.end(), [](const auto& e) { return e.ours; }));
}

std::uint32_t SimHotKeys::modifiersFromFlags(std::uint64_t flags) {
    std::uint32_t out = 0;
    if (flags & ModifierFlag::command) out |= HotKeyModifier::command;
    if (flags & ModifierFlag::shift) out |= HotKeyModifier::shift;
    if (flags & ModifierFlag::option) out |= HotKeyModifier::option;
    if (flags & ModifierFlag::control) out |= HotKeyModifier::control;
    return out;
}

}  // namespace tarnlet::sim
