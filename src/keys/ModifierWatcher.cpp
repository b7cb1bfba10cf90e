#include "keys/ModifierWatcher.h"

#include <vector>

#include "diagnostics/Log.h"
#include "platform/EventTaps.h"

namespace tarnlet {

ModifierWatcher::ModifierWatcher(EventTaps& taps) : m_taps(taps) {}

ModifierWatcher::~ModifierWatcher() { stop(); }

void ModifierWatcher::subscribe(const void* owner, Handler handler) {
    // An empty handler would keep the tap running for nobody; it counts as leaving.
    if (!handler) {
        unsubscribe(owner);
        return;
    }
    m_handlers[owner] = std::move(handler);
    // Also the retry after a failed start: the permission may have been granted since.
    start();
}

void ModifierWatcher::unsubscribe(const void* owner) {
    m_handlers.erase(owner);
    if (m_handlers.empty()) stop();
}

void ModifierWatcher::start() {
    if (m_tap) return;
    auto tap = m_taps.createTap(
        maskOf(EventType::flagsChanged), TapMode::listenOnly, m_weak.bind([this](const InputEvent& event) {
            if (event.isTapDisabled()) {
                // The system switched the tap off (a slow callback, or user input); without it the
                // chords, Snap and the clipboard would go deaf to modifiers.
                if (m_tap) m_tap->setEnabled(true);
            } else if (event.type == EventType::flagsChanged) {
                notify(event.flags);
            }
            return TapDecision::pass;
        }));
    if (!tap) {
        Log::debug("ModifierWatcher: could not create flags tap (Accessibility not granted?)");
        return;
    }
    m_tap = std::move(tap);
    m_tap->setEnabled(true);
}

void ModifierWatcher::stop() {
    if (!m_tap) return;
    m_tap->setEnabled(false);
    m_tap.reset();
}

void ModifierWatcher::notify(std::uint64_t flags) {
    // A handler may unsubscribe itself or another owner, subscribe someone new, or even end this
    // watcher. So walk a snapshot of the owners, look each one up again before calling it (an owner
    // that left meanwhile is not called, as it may already be gone), and call a copy of its handler
    // (replacing or erasing the entry must not destroy the function while it runs).
    std::vector<const void*> owners;
    owners.reserve(m_handlers.size());
    for (const auto& entry : m_handlers) owners.push_back(entry.first);

    const WeakToken alive = m_weak.token();
    for (const void* owner : owners) {
        if (!alive.isAlive()) return;
        const auto it = m_handlers.find(owner);
        if (it == m_handlers.end()) continue;
        const Handler handler = it->second;
        handler(flags);
    }
}

}  // namespace tarnlet
