#pragma once
// The Clipboard tool. It keeps a history of what the user copies — read from the pasteboard 0.15 s
// after ⌘C or ⌘X, never by polling — and turns a held ⌘V into a picker: a quick ⌘V still pastes as
// usual, holding it for a quarter of a second opens a small list of recent and pinned texts, and
// choosing one puts it on the pasteboard and pastes it by replaying ⌘V. (⌘ stands for the
// platform's shortcut modifier: Control where applications copy with Control-C.) The leader chord
// opens the same picker. Its three key taps are armed only while needed: the capture and paste taps
// between ⌘ down and ⌘ up, the picker's while the picker shows. While it runs it claims the paste
// shortcut, so that a desktop without a global event filter can intercept it; stopped, it holds no
// tap, claim, monitor or timer.
//
// Concealed, transient and machine-made copies, and copies from the known password managers, are
// never stored. Main thread only; delayed work holds the feature weakly.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "clipboard/ClipboardMenu.h"
#include "clipboard/ClipboardStore.h"
#include "clipboard/PasteFlow.h"
#include "keys/TransientKeyTap.h"
#include "platform/MainQueue.h"

namespace tarnlet {

class EventTaps;
class ModifierWatcher;
class Pasteboard;
class Permissions;
class Settings;
class Workspace;

class ClipboardFeature : public Feature {
public:
    static constexpr double kCaptureDelay = 0.15;
    static constexpr double kHoldDelay = 0.25;
    static constexpr int kPickerSlots = 9;
    static constexpr int kPreviewLimit = 34;

    struct Services {
        EventTaps& taps;
        Pasteboard& pasteboard;
        Permissions& permissions;
        Workspace& workspace;
        Mouse& mouse;
        Panels& panels;
        Screens& screens;
        TextMeasurer& measurer;
        MainQueue& queue;
        std::filesystem::path root;  // where the history files live
    };

    ClipboardFeature(Settings& settings, ModifierWatcher& modifiers, Services services);
    ~ClipboardFeature() override;
    ClipboardFeature(const ClipboardFeature&) = delete;
    ClipboardFeature& operator=(const ClipboardFeature&) = delete;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;

    // The leader chord's entry: opens the picker when there is anything to pick.
    void showPicker();
    // The settings window reorders the pins by hand.
    void movePins(const std::set<std::size_t>& fromOffsets, std::size_t toOffset);

    // Whether the pasteboard's contents may enter the history.
    static bool isStorable(const Pasteboard& pasteboard);

    ClipboardStore& store() { return m_store; }
    const PasteFlow& flow() const { return m_flow; }
    const ClipboardMenu& menu() const { return m_menu; }
    // The system appearance the picker is drawn in.
    void setAppearance(ListMenu::Appearance appearance) { m_menu.menu().setAppearance(appearance); }
    ClipboardTab activeTab() const { return m_activeTab; }
    const std::vector<ClipboardEntry>& menuEntries() const { return m_menuEntries; }

private:
    void commandChanged(std::uint64_t flags);
    void commandTeardown();
    bool isExcluded() const;
    KeyClaim pasteClaim() const;
    bool capture(const TransientKeyTap::KeyEvent& key);
    bool pasteKey(const TransientKeyTap::KeyEvent& key);
    bool menuKey(const TransientKeyTap::KeyEvent& key);
    void perform(const PasteFlow::Action& action);
    void prepareMenuEntries();
    void openPicker();
    void closePicker();
    void switchTab(ClipboardTab tab);
    void pasteSlot(int slot);
    void replayPaste();
    std::vector<std::string> previews() const;
    std::vector<bool> pinnedFlags() const;

    Settings& m_settings;
    ModifierWatcher& m_modifiers;
    Services m_services;
    ClipboardStore m_store;
    PasteFlow m_flow;
    bool m_isActive = false;
    TransientKeyTap m_captureTap;
    TransientKeyTap m_pasteTap;
    TransientKeyTap m_menuTap;
    ClipboardMenu m_menu;
    std::unique_ptr<MouseMonitor> m_outsideClickMonitor;
    bool m_commandHeld = false;
    Subscription m_pasteClaim;
    WorkItem m_holdWork;
    WorkItem m_captureWork;
    std::vector<ClipboardEntry> m_menuEntries;
    ClipboardTab m_activeTab = ClipboardTab::recent;
    Subscription m_modifierSubscription;
    WeakFactory m_weak;
};

}  // namespace tarnlet
