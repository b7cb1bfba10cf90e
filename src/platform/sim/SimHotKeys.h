#pragma once
// The simulated hot-key service. A combination is refused while another registration, ours or
// another application's, holds it. The keyboard offers every key-down that no tap swallowed here
// first: a registered combination is consumed and reported to the installed handler.

#include <functional>
#include <memory>
#include <vector>

#include "platform/HotKeys.h"

namespace tarnlet::sim {

class SimHotKeys : public HotKeys {
public:
    SimHotKeys();
    ~SimHotKeys() override;

    std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint16_t keyCode, std::uint32_t modifiers,
                                                       HotKeyIdentity identity) override;
    Subscription installHandler(std::function<void(HotKeyIdentity)> onPress) override;

    // Another application holds this combination from now on.
    void takeByOtherApplication(std::uint16_t keyCode, std::uint32_t modifiers);
    // A key-down with these flags: true when it was a registered combination (and so consumed).
    bool handleKeyDown(std::uint16_t keyCode, std::uint64_t flags);
    // Delivers a hot-key event directly, as another process's hot key with our handler would.
    void deliver(HotKeyIdentity identity);

    bool isHandlerInstalled() const;
    std::size_t registrationCount() const;

    // The service's modifier mask for a flag word (command, shift, option, control only).
    static std::uint32_t modifiersFromFlags(std::uint64_t flags);

    struct State;  // shared with the registration handles, which may outlive the service

private:
    std::shared_ptr<State> m_state;
};

}  // namespace tarnlet::sim
