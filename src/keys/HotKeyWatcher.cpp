#include "keys/HotKeyWatcher.h"

#include <limits>
#include <utility>

namespace tarnlet {

HotKeyWatcher::HotKeyWatcher(HotKeys& hotKeys) : m_hotKeys(hotKeys) {}

// Members go in reverse order: the weak factory first (so a late press does nothing), then the
// actions and registrations, and the handler last.
HotKeyWatcher::~HotKeyWatcher() = default;

std::optional<std::uint32_t> HotKeyWatcher::registerHotKey(std::uint16_t keyCode, std::uint32_t modifiers,
                                                           std::function<void()> action) {
    // Identifiers start at 1, so a counter that has wrapped to 0 has handed out every identifier;
    // refusing from then on keeps the promise that an identifier is never handed out twice.
    if (m_nextID == 0) return std::nullopt;

    if (!m_handler.isActive())
        m_handler = m_hotKeys.installHandler(m_weak.bind([this](HotKeyIdentity identity) { handle(identity); }));

    const std::uint32_t id = m_nextID;
    auto ref = m_hotKeys.registerHotKey(keyCode, modifiers, HotKeyIdentity{kSignature, id});
    if (!ref) {
        // The handler lives only while something is registered; a refusal must not leave one behind.
        if (m_refs.empty()) m_handler.cancel();
        return std::nullopt;
    }
    m_nextID = id + 1;  // wraps to 0 after the last identifier, which ends registration above
    m_refs[id] = std::move(ref);
    m_actions[id] = std::move(action);
    return id;
}

void HotKeyWatcher::unregisterHotKey(std::uint32_t id) {
    const auto it = m_refs.find(id);
    if (it == m_refs.end()) return;
    // Take both out of the maps before destroying them, so that nothing running from their
    // destructors sees a half-removed entry.
    auto ref = std::move(it->second);
    m_refs.erase(it);
    auto action = m_actions.extract(id);
    ref.reset();
    if (m_refs.empty()) m_handler.cancel();
}

void HotKeyWatcher::handle(HotKeyIdentity identity) {
    if (identity.signature != kSignature) return;
    const auto it = m_actions.find(identity.id);
    if (it == m_actions.end() || !it->second) return;
    // The action may unregister itself or register others, which would destroy or move the stored
    // function while it runs; run a copy instead.
    const auto action = it->second;
    action();
}

}  // namespace tarnlet
