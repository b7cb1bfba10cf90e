#include "keys/ModifierWatcher.h"


#include "diagnostics/Log.h"
#include "platform/EventTaps.h"

namespace tarnlet {

ModifierWatcher::ModifierWatcher(EventTaps& taps) : m_taps(taps) {}

ModifierWatcher::~ModifierWatcher() { stop(); }

void ModifierWatcher::subscribe(const void* owner, Handler handler) {
    m_handlers.set(owner, std::move(handler));
    // Starting is also the retry after a failed start: the permission may have been granted since.
    if (m_handlers.isEmpty()) stop();
    else start();
}

void ModifierWatcher::unsubscribe(const void* owner) {
    m_handlers.erase(owner);
    if (m_handlers.isEmpty()) stop();
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

void ModifierWatcher::notify(std::uint64_t flags) { m_handlers.notify(flags); }

}  // namespace tarnlet
