#pragma once
// Stand-ins for the services this backend does not drive yet: windows of other applications. Each
// answers as a desktop without that capability would: no windows. Tools that need them stay quiet
// instead of misbehaving. Main thread only.

#include "platform/Accessibility.h"
#include "platform/WindowServer.h"

namespace tarnlet::linux_desktop {

class InertInput : public Accessibility, public WindowServer {
public:
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
