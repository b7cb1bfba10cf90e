#pragma once
// The notch chips as a feature: it owns the controller and decides, setting by setting, which
// chips the other tools may show. It has no switch of its own — the application always wants it —
// and every entry point does nothing while it is inactive. Main thread only.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "notch/NotchController.h"
#include "notch/ScreenSurface.h"
#include "shared/BatteryMonitor.h"

namespace tarnlet {

class Settings;
class NotchStage;
class Panels;
class Screens;

class NotchFeature : public Feature {
public:
    static constexpr double kChipDuration = 2.5;
    static constexpr double kSpaceChipDuration = 1.2;

    NotchFeature(Settings& settings, BatteryMonitor& battery, NotchStage& stage, Panels& panels, Screens& screens,
                 TextMeasurer& measurer, MainQueue& queue);
    ~NotchFeature() override;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;

    // True when a desktop-number chip is on screen now: not when it was refused or waits behind
    // the hint strip.
    bool showSpaceChip(int number);
    void showLeaderHints(const std::vector<NotchBarItem>& items, std::optional<std::string> caption,
                         std::optional<double> autoHideAfter = std::nullopt);
    void dropLeaderHints();
    // Snap's hint rows while its chord is held over a window it can place, and its notice over one
    // it cannot. True when something was put up.
    bool showSnapHints(std::vector<NotchBarItem> first, std::vector<NotchBarItem> second);
    bool showSnapUnsupported();
    // A transient chip, animated, dismissed after `duration` seconds.
    void showChip(const NotchContent& content, double duration);
    void showLiveChip(const NotchContent& content);
    // Ends the live chip (the break countdown finished).
    void dismissLiveChip();
    // Flashes the hint item registered under key, when a hint strip is up.
    void pulse(const std::string& key);
    // Replaces the caption of the hint strip on screen, if any.
    void setHintCaption(const std::string& caption);
    // A Bluetooth device connected or disconnected (shown while "notch.deviceChips" is on).
    void showDeviceChip(std::optional<Image> icon, const std::string& name, std::optional<int> percent, bool connected);
    // The battery monitor's report.
    void handleBattery(const BatteryMonitor::State& state);

    NotchController& controller() { return m_controller; }
    ScreenSurface& surface() { return m_surface; }

private:
    void geometryChanged();

    Settings& m_settings;
    BatteryMonitor& m_battery;
    NotchStage& m_stage;
    ScreenSurface m_surface;
    NotchController m_controller;
    MainQueue& m_queue;
    std::optional<BatteryMonitor::State> m_lastBatteryState;
    WorkItem m_hintAutoHide;
    Subscription m_geometryToken;
    bool m_isActive = false;
    Subscription m_batterySubscription;
    WeakFactory m_weak;
};

}  // namespace tarnlet
