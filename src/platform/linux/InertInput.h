#pragma once
// Stand-ins for the services this backend does not drive yet: the pointer's monitors, the
// clipboard, windows of other applications and the colour loupe. Each answers as a desktop without
// that capability would: no windows, an empty clipboard, a cancelled loupe. Tools that need them
// stay quiet instead of misbehaving. Main thread only.

#include "platform/Accessibility.h"
#include "platform/ColorSampler.h"
#include "platform/Mouse.h"
#include "platform/Pasteboard.h"
#include "platform/WindowServer.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class InertInput : public Mouse,
                   public Pasteboard,
                   public Accessibility,
                   public WindowServer,
                   public ColorSampler {
public:
    explicit InertInput(MainQueue& queue) : m_queue(queue) {}

    // Mouse
    Point location() const override;
    std::unique_ptr<MouseMonitor> addGlobalMonitor(MouseEventMask, Mouse::Handler) override { return nullptr; }
    std::unique_ptr<MouseMonitor> addLocalMonitor(MouseEventMask, Mouse::Handler) override { return nullptr; }
    int dragPasteboardChangeCount() const override { return 0; }
    // Pasteboard
    std::vector<std::string> types() const override { return {}; }
    std::optional<std::string> string(const std::string& = PasteboardType::plainText) const override {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> data(const std::string&) const override { return std::nullopt; }
    int changeCount() const override { return 0; }
    void clearContents() override {}
    bool setString(const std::string&, const std::string& = PasteboardType::plainText) override { return false; }
    bool setData(const std::vector<std::uint8_t>&, const std::string&) override { return false; }
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
    // ColorSampler
    void show(std::function<void(std::optional<SampledColor>)> completion) override;

private:
    MainQueue& m_queue;
};

}  // namespace tarnlet::linux_desktop
