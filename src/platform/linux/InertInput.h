#pragma once
// Stand-ins for the services this backend does not drive yet: the keyboard (taps, posted events,
// global hot keys) and windows of other applications. Each answers as a desktop without that
// capability would: no tap, every hot key refused, no windows. Tools that need them stay quiet
// instead of misbehaving. Main thread only.

#include "platform/Accessibility.h"
#include "platform/EventTaps.h"
#include "platform/HotKeys.h"
#include "platform/WindowServer.h"

namespace tarnlet::linux_desktop {

class InertInput : public EventTaps, public HotKeys, public Accessibility, public WindowServer {
public:
    // EventTaps
    std::unique_ptr<EventTap> createTap(EventMask, TapMode, EventTaps::Callback) override { return nullptr; }
    void post(const InputEvent&) override {}
    bool isSecureEventInputEnabled() const override { return false; }
    // HotKeys
    std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint16_t, std::uint32_t, HotKeyIdentity) override {
        return nullptr;
    }
    Subscription installHandler(std::function<void(HotKeyIdentity)>) override { return {}; }
    // Accessibility
    AXElement createApplication(int pid) override { return AXElement(static_cast<std::uint64_t>(pid) + 1); }
    AXError setMessagingTimeout(const AXElement&, double) override { return AXError::success; }
    AXError copyAttribute(const AXElement&, const std::string&, AXValue&) override { return AXError::cannotComplete; }
    AXError isAttributeSettable(const AXElement&, const std::string&, bool&) override { return AXError::cannotComplete; }
    AXError setAttribute(const AXElement&, const std::string&, const AXValue&) override { return AXError::cannotComplete; }
    AXError performAction(const AXElement&, const std::string&) override { return AXError::cannotComplete; }
    AXError createObserver(int, AXObserverCallback, std::unique_ptr<AXObserver>&) override { return AXError::cannotComplete; }
    // WindowServer
    std::optional<std::vector<WindowRecord>> windowList(WindowListOptions) const override { return std::nullopt; }
    SpaceEntryPoints spaceEntryPoints() const override { return {}; }
};

}  // namespace tarnlet::linux_desktop
