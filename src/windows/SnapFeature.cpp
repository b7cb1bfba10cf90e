#include "windows/SnapFeature.h"

#include <string>

#include "diagnostics/Log.h"
#include "keys/ModifierWatcher.h"
#include "settings/Settings.h"

namespace tarnlet {

SnapFeature::SnapFeature(Settings& settings, ModifierWatcher& modifiers, DragWatcher& drag, HotKeyWatcher& hotKeys,
                         Services services)
    : m_settings(settings),
      m_modifiers(modifiers),
      m_services(services),
      m_snapper(m_services.windows),
      m_hotKeys(hotKeys),
      m_edgeSnap(drag, m_services.windows, services.mouse, services.panels),
      m_mouseSnap(services.mouse, services.panels, services.windows.screens) {
    m_hotKeys.onSnap = m_weak.bind([this](SnapPosition position) {
        m_snapper.snap(position);
        m_mouseSnap.cleanup();
        if (onShortcut) onShortcut(position);
    });
    m_edgeSnap.onSnap = m_weak.bind([this](SnapPosition position, std::int32_t pid) { m_snapper.snap(position, pid); });
    m_mouseSnap.onSnap = m_weak.bind([this](SnapPosition position) { m_snapper.snap(position); });
}

SnapFeature::~SnapFeature() = default;

void SnapFeature::activate() { applySubToggles(); }

void SnapFeature::applySubToggles() {
    m_isActive = true;
    const bool shortcuts = m_settings.boolean("snap.keyboardShortcuts");
    const bool drag = m_settings.boolean("snap.onDrag");
    if (shortcuts) m_hotKeys.registerAll();
    else m_hotKeys.unregisterAll();
    if (drag) m_edgeSnap.start();
    else m_edgeSnap.stop();
    if (m_settings.boolean("snap.mouseSnap") || m_settings.boolean("notch.snapHints")) {
        m_modifierSubscription = m_modifiers.subscribe(m_weak.bind([this](std::uint64_t flags) { chordChanged(flags); }));
    } else {
        stopFlagsMonitor();
    }
    Log::debug([&] {
        return std::string("Snap active (shortcuts: ") + (shortcuts ? "true" : "false") +
               ", drag: " + (drag ? "true" : "false") + ")";
    });
}

void SnapFeature::deactivate() {
    if (!m_isActive) return;
    m_isActive = false;
    m_hotKeys.unregisterAll();
    m_edgeSnap.stop();
    stopFlagsMonitor();
    m_snapper.clear();
    Log::debug("Snap deactivated");
}

void SnapFeature::stopFlagsMonitor() {
    m_modifierSubscription.cancel();
    m_mouseHold.cancel();
    m_chordHeld = false;
    m_mouseSnap.cleanup();
    if (onChordRelease) onChordRelease();
}

void SnapFeature::chordChanged(std::uint64_t flags) {
    const bool held = (flags & kChordMask) == kChord;
    if (held == m_chordHeld) return;
    m_chordHeld = held;
    m_mouseHold.cancel();
    if (!held) {
        if (const auto sector = m_mouseSnap.pendingSector()) {
            Log::debug([&] { return "MouseSnapMonitor: snap " + std::string(SnapPositions::name(*sector)); });
            if (m_mouseSnap.onSnap) m_mouseSnap.onSnap(*sector);
        }
        m_mouseSnap.cleanup();
        if (onChordRelease) onChordRelease();
        return;
    }
    m_mouseHold = m_services.queue.postAfter(m_settings.number("notch.hintDelay"),
                                             m_weak.bind([this] { chordHoldFired(); }));
}

void SnapFeature::chordHoldFired() {
    const auto window = AXWindow::focused(m_services.windows);
    const bool supported = window && window->isResizable();
    if (onChordHold) onChordHold(supported);
    if (supported && m_settings.boolean("snap.mouseSnap") && !m_mouseSnap.isRunning()) m_mouseSnap.begin();
}

}  // namespace tarnlet
