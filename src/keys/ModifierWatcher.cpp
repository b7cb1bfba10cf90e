#include "keys/ModifierWatcher.h"

#include "diagnostics/Log.h"
#include "platform/EventTaps.h"

namespace tarnlet {

ModifierWatcher::ModifierWatcher(EventTaps& taps) : m_taps(taps) {}

ModifierWatcher::~ModifierWatcher() { stop(); }

Subscription ModifierWatcher::subscribe(Handler handler) { return m_subscribers.add(std::move(handler)); }

void ModifierWatcher::start() {
    if (m_tap) return;
    auto tap = m_taps.createTap(
        maskOf(EventType::flagsChanged), TapMode::listenOnly, m_weak.bind([this](const InputEvent& event) {
            if (event.isTapDisabled()) {
                // The system switched the tap off (a slow callback, or user input); without it the
                // chords, Snap and the clipboard would go deaf to modifiers.
                if (m_tap) m_tap->setEnabled(true);
            } else if (event.type == EventType::flagsChanged) {
                m_subscribers.notify(event.flags);
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

}  // namespace tarnlet
