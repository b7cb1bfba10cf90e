#include "windows/SnapHotKeys.h"

#include "keys/HotKeyWatcher.h"
#include "windows/SnapShortcut.h"

namespace tarnlet {

void SnapHotKeys::registerAll() {
    if (!m_ids.empty()) return;
    for (const SnapShortcut::HotKey& hotKey : SnapShortcut::hotKeys()) {
        const SnapPosition position = hotKey.position;
        auto id = m_hotKeys.registerHotKey(hotKey.keyCode, hotKey.modifiers, m_weak.bind([this, position] {
            if (onSnap) onSnap(position);
        }));
        if (id) m_ids.push_back(*id);
    }
}

void SnapHotKeys::unregisterAll() {
    for (const std::uint32_t id : m_ids) m_hotKeys.unregisterHotKey(id);
    m_ids.clear();
}

}  // namespace tarnlet
