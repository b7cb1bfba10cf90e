#pragma once
// The one registry of classic global hot keys (the colour picker's, Snap's). It hands out
// identifiers from 1, never reused, registers each combination with the system under the
// signature 'HKEY' and runs the matching action on a press. The system's event handler is
// installed only while at least one hot key is registered. Main thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/HotKeys.h"

namespace tarnlet {

class HotKeyWatcher {
public:
    static constexpr std::uint32_t kSignature = 0x484B4559;  // 'HKEY'

    explicit HotKeyWatcher(HotKeys& hotKeys);
    ~HotKeyWatcher();
    HotKeyWatcher(const HotKeyWatcher&) = delete;
    HotKeyWatcher& operator=(const HotKeyWatcher&) = delete;

    // The identifier, or none when the system refused the combination (no identifier is used up).
    std::optional<std::uint32_t> registerHotKey(std::uint16_t keyCode, std::uint32_t modifiers,
                                                std::function<void()> action);
    void unregisterHotKey(std::uint32_t id);

    bool isHandlerInstalled() const { return m_handler.isActive(); }
    std::size_t count() const { return m_refs.size(); }

private:
    void handle(HotKeyIdentity identity);

    HotKeys& m_hotKeys;
    Subscription m_handler;
    std::map<std::uint32_t, std::unique_ptr<HotKeyRegistration>> m_refs;
    std::map<std::uint32_t, std::function<void()>> m_actions;
    std::uint32_t m_nextID = 1;
    WeakFactory m_weak;
};

}  // namespace tarnlet
