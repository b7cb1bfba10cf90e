#pragma once
// Snap's keyboard trigger: the eighteen global hot keys of the shortcut table, registered through
// the shared hot-key registry. A combination another application holds is skipped silently.
//
//     SnapHotKeys keys(watcher);
//     keys.onSnap = [](SnapPosition p) { … };
//     keys.registerAll();   // once; a second call changes nothing
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <vector>

#include "base/WeakToken.h"
#include "windows/SnapPosition.h"

namespace tarnlet {

class HotKeyWatcher;

class SnapHotKeys {
public:
    explicit SnapHotKeys(HotKeyWatcher& hotKeys) : m_hotKeys(hotKeys) {}
    ~SnapHotKeys() { unregisterAll(); }
    SnapHotKeys(const SnapHotKeys&) = delete;
    SnapHotKeys& operator=(const SnapHotKeys&) = delete;

    void registerAll();
    void unregisterAll();
    const std::vector<std::uint32_t>& ids() const { return m_ids; }

    std::function<void(SnapPosition)> onSnap;

private:
    HotKeyWatcher& m_hotKeys;
    std::vector<std::uint32_t> m_ids;
    WeakFactory m_weak;
};

}  // namespace tarnlet
