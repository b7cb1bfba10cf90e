#pragma once
// The notch as the tools see it: chips, the live chip, captions, pulses and the hint strips, and
// nothing else. It owns the notch feature, built on first use, so that a tool's wiring never holds
// the whole notch and the notch never calls a tool. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "shared/NotchBarItem.h"
#include "notch/NotchContent.h"

namespace tarnlet {

class BatteryMonitor;
class MainQueue;
class NotchFeature;
class NotchStage;
class Panels;
class Screens;
class Settings;
class TextMeasurer;

class NotchPort {
public:
    struct Services {
        Settings& settings;
        BatteryMonitor& battery;
        NotchStage& stage;
        Panels& panels;
        Screens& screens;
        TextMeasurer& measurer;
        MainQueue& queue;
    };

    explicit NotchPort(Services services);
    ~NotchPort();
    NotchPort(const NotchPort&) = delete;
    NotchPort& operator=(const NotchPort&) = delete;

    // A transient chip for the usual chip duration.
    void showChip(const NotchContent& content);
    void showLiveChip(const NotchContent& content);
    void dismissLiveChip();
    void setHintCaption(const std::string& caption);
    void pulse(const std::string& key);
    void showLeaderHints(const std::vector<NotchBarItem>& items, const std::string& caption);
    void dropLeaderHints();
    // False when the strip could not be shown (another source holds the notch, or it is off).
    bool showSnapHints(std::vector<NotchBarItem> first, std::vector<NotchBarItem> second);
    bool showSnapUnsupported();

    NotchFeature& feature();

private:
    Services m_services;
    std::unique_ptr<NotchFeature> m_feature;
};

}  // namespace tarnlet
