#pragma once
// Presents chips, one continuously updated live chip and the hint strip at the notch, and reports
// what it shows to the stage as the sources chip, liveChip and hints. A chip that arrives while the
// hint strip is up waits (only the newest) and shows once the strip has closed; a live-chip update
// during the strip is dropped. A presentation that cannot be built (a takeover holds the notch, the
// content is empty, no screen to show it on) does nothing and leaves no timer behind.
// Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "base/WeakToken.h"
#include "notch/NotchContent.h"
#include "notch/NotchStage.h"
#include "notch/NotchSurface.h"
#include "platform/MainQueue.h"

namespace tarnlet {

class NotchBarView;
class TextMeasurer;

class NotchController {
public:
    NotchController(NotchSurface& surface, TextMeasurer& measurer, MainQueue& queue);
    ~NotchController();

    // Reports a claim (true) or release (false) of chip, liveChip or hints.
    std::function<void(NotchSource, bool wants)> onSource;
    std::function<bool()> canPresent = [] { return true; };
    // Whether bars grow out of a real camera housing; out of a line at the top otherwise.
    std::function<bool()> physicalNotch = [] { return true; };

    // True when the chip is on screen now; false when it waits behind the hint strip or could not
    // be presented.
    bool showChip(const NotchContent& content, double duration, bool animated);
    void showLiveChip(const NotchContent& content);
    // Ends the live chip, if one shows. It stops counting as the live chip at once, so an update
    // during its closing animation starts a new one instead of landing in the closing mount.
    void dismissLiveChip();
    void showHints(const NotchContent& content, bool animated);
    void dropHints(bool animated, bool keepingClaim);
    void dismissChip();
    void teardown();

    std::shared_ptr<NotchBarView> chipBar() const;
    std::shared_ptr<NotchBarView> hintBar() const;
    bool liveChipActive() const { return m_liveChipActive; }
    bool hasPendingChip() const { return m_pendingChip.has_value(); }
    bool hintsActive() const { return m_hintsActive; }
    std::optional<NotchSource> chipSource() const { return m_chipSource; }

private:
    struct Bridge {
        std::shared_ptr<NotchBarView> bar;
        std::unique_ptr<NotchMount> mount;
    };
    struct PendingChip {
        NotchContent content;
        double duration;
    };
    std::shared_ptr<NotchBarView> makeBar(const NotchContent& content, const Rect& notch);
    std::optional<Bridge> makeBridge(const NotchContent& content);
    void setChipSource(std::optional<NotchSource> source);
    void report(NotchSource source, bool wants);

    NotchSurface& m_surface;
    TextMeasurer& m_measurer;
    MainQueue& m_queue;
    std::unique_ptr<NotchMount> m_chipMount;
    // Counts the mounts put into m_chipMount, so a closing animation recognises its own mount even
    // when a new one was allocated where the old one lived.
    std::uint64_t m_chipGeneration = 0;
    WorkItem m_chipDismiss;
    bool m_liveChipActive = false;
    std::optional<PendingChip> m_pendingChip;
    std::unique_ptr<NotchMount> m_hintMount;
    std::uint64_t m_hintGeneration = 0;
    std::vector<std::unique_ptr<NotchMount>> m_closing;  // mounts animating out
    std::optional<NotchSource> m_chipSource;
    bool m_hintsActive = false;
    WeakFactory m_weak;
};

}  // namespace tarnlet
