#pragma once
// Snap as a switchable tool: owns the window snapper and its three triggers — the global
// shortcuts, dragging a window to a screen edge, and the mouse dial of the snap chord (Control and
// Option, nothing else). Each trigger has its own setting, read when the feature is activated.
//
// Holding the chord past the hold delay tells the application (onChordHold) whether the focused
// window can be snapped, so that it can show the snap hints at the notch, and starts the dial;
// releasing it snaps to the place the dial points at and tells the application (onChordRelease).
// Main thread only.

#include <cstdint>
#include <functional>
#include <optional>

#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/MainQueue.h"
#include "windows/EdgeSnapMonitor.h"
#include "windows/MouseSnapMonitor.h"
#include "windows/SnapHotKeys.h"
#include "windows/WindowSnapper.h"

namespace tarnlet {

class DragWatcher;
class HotKeyWatcher;
class ModifierWatcher;
class Mouse;
class Panels;
class Settings;

class SnapFeature : public Feature {
public:
    // Shift, Control, Option and Command; the chord is Control + Option alone among them.
    static constexpr std::uint64_t kChordMask = 0x1E0000;
    static constexpr std::uint64_t kChord = 0xC0000;

    struct Services {
        WindowServices windows;
        Mouse& mouse;
        Panels& panels;
        MainQueue& queue;
    };

    SnapFeature(Settings& settings, ModifierWatcher& modifiers, DragWatcher& drag, HotKeyWatcher& hotKeys,
                Services services);
    ~SnapFeature() override;
    SnapFeature(const SnapFeature&) = delete;
    SnapFeature& operator=(const SnapFeature&) = delete;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;

    // The modifier watcher's report; public so the chord can be driven directly.
    void chordChanged(std::uint64_t flags);

    WindowSnapper& snapper() { return m_snapper; }
    const SnapHotKeys& hotKeys() const { return m_hotKeys; }
    const EdgeSnapMonitor& edgeSnap() const { return m_edgeSnap; }
    const MouseSnapMonitor& mouseSnap() const { return m_mouseSnap; }
    bool chordHeld() const { return m_chordHeld; }

    // Told after every keyboard snap, with the place.
    std::function<void(SnapPosition)> onShortcut;
    // The chord was held past the hold delay; true when the focused window can be snapped.
    std::function<void(bool supported)> onChordHold;
    std::function<void()> onChordRelease;

private:
    void applySubToggles();
    void stopFlagsMonitor();
    void chordHoldFired();

    Settings& m_settings;
    ModifierWatcher& m_modifiers;
    Services m_services;
    WindowSnapper m_snapper;
    SnapHotKeys m_hotKeys;
    EdgeSnapMonitor m_edgeSnap;
    MouseSnapMonitor m_mouseSnap;
    bool m_isActive = false;
    WorkItem m_mouseHold;
    bool m_chordHeld = false;
    Subscription m_modifierSubscription;
    WeakFactory m_weak;
};

}  // namespace tarnlet
