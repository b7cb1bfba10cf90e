#pragma once
// Stand-ins for the services this backend does not drive yet: the keyboard (taps, posted events,
// global hot keys), the pointer's monitors, the clipboard and the colour loupe. Each answers as a
// desktop without that capability would: no tap, every hot key refused, an empty clipboard, a
// cancelled loupe. Tools that need them stay quiet instead of misbehaving. Main thread only.

#include "platform/ColorSampler.h"
#include "platform/EventTaps.h"
#include "platform/HotKeys.h"
#include "platform/Mouse.h"
#include "platform/Pasteboard.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::linux_desktop {

class InertInput : public EventTaps,
                   public HotKeys,
                   public Mouse,
                   public Pasteboard,
                   public ColorSampler {
public:
    explicit InertInput(MainQueue& queue) : m_queue(queue) {}

    // EventTaps
    std::unique_ptr<EventTap> createTap(EventMask, TapMode, EventTaps::Callback) override { return nullptr; }
    void post(const InputEvent&) override {}
    bool isSecureEventInputEnabled() const override { return false; }
    // HotKeys
    std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint16_t, std::uint32_t, HotKeyIdentity) override {
        return nullptr;
    }
    Subscription installHandler(std::function<void(HotKeyIdentity)>) override { return {}; }
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
    // ColorSampler
    void show(std::function<void(std::optional<SampledColor>)> completion) override;

private:
    MainQueue& m_queue;
};

}  // namespace tarnlet::linux_desktop
