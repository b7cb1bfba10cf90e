#pragma once
// The break itself: for the length of a break every display is covered by a darkened panel with a
// card (the prompt, a minute:second countdown, "Skip Break" and "Snooze 5m" pills), and the
// keyboard is held so that only Esc pressed twice leaves early. How the break ended is reported
// once through the completion given to show(); dismiss() takes the screen down without reporting.
//
//     overlay.show(20, BreakOverlay::prompts()[1], 5.0, [](BreakOutcome outcome) { ... });
//
// Main thread only: the countdown and the clean-up are main-queue work holding the overlay weakly.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/WeakToken.h"
#include "keys/TransientKeyTap.h"
#include "platform/MainQueue.h"
#include "wellbeing/BreakCard.h"

namespace tarnlet {

class EventTaps;
class Mouse;
class MouseMonitor;
struct MouseEvent;
class Panel;
class Panels;
class Screens;
class TextMeasurer;

enum class BreakOutcome { completed, skipped, snoozed };
const char* caseName(BreakOutcome outcome);

class BreakOverlay {
public:
    struct Copy {
        std::string title;
        std::string body;
    };
    static const std::array<Copy, 4>& prompts();

    BreakOverlay(MainQueue& queue, Screens& screens, Panels& panels, EventTaps& taps, Mouse& mouse,
                 TextMeasurer& measurer);
    ~BreakOverlay();
    BreakOverlay(const BreakOverlay&) = delete;
    BreakOverlay& operator=(const BreakOverlay&) = delete;

    // Covers every display for `seconds`; the pills stay disabled for `skipDelay` seconds. A screen
    // still up is dismissed first (its completion is dropped).
    void show(int seconds, const Copy& copy, double skipDelay, std::function<void(BreakOutcome)> onFinished);
    // Takes the screen down at once without reporting an outcome.
    void dismiss();
    // True while the screen is up.
    bool isShowing() const;

    // The countdown step: refreshes every card once a second and ends the break when its time is up.
    void tick();
    // The pills' actions. Like the pills, they do nothing before the skip delay is over or while
    // the screen is down.
    void skipPressed();
    void snoozePressed();
    // Esc pressed: a second press within the escape window skips the break.
    void escapePressed();

    // Seconds within which a second Esc skips the break.
    static constexpr double kEscapeWindow = 0.8;
    // With this much time left or less, skipping counts as a completed break.
    static constexpr double kEndBreakThreshold = 5.0;
    static constexpr double kFadeIn = 0.35;
    static constexpr double kFadeOut = 0.3;
    // When the panels of a finished break are taken away even if their fade never reports back.
    static constexpr double kCleanUpDelay = 0.6;
    static constexpr int kPanelLevel = 25;
    static constexpr std::uint64_t kCollectionBehavior = 337;
    // The darkening behind the card, standing in for the blur of the whole display.
    static constexpr Color kDimming = Color::black(0.55);

    // What the screen shows, for the application's tests and scenarios. The cards are in the order
    // of the displays.
    std::size_t panelCount() const { return m_panels.size(); }
    const std::vector<std::shared_ptr<BreakCard>>& cards() const { return m_cards; }
    std::vector<std::string> countdownTexts() const;
    std::vector<PillButton> skipButtons() const;
    std::vector<PillButton> snoozeButtons() const;
    // The pills' frames in desktop coordinates, as they stand on screen now.
    std::vector<Rect> skipButtonFramesOnDesktop() const;
    std::vector<Rect> snoozeButtonFramesOnDesktop() const;
    // The panels of finished breaks still fading out.
    std::size_t fadingPanelCount() const;
    const TransientKeyTap& keyTap() const { return m_keyTap; }
    double endsAt() const { return m_endsAt; }
    double skipEnabledAt() const { return m_skipEnabledAt; }
    double shownAt() const { return m_shownAt; }

private:
    enum class PillKind { skip, snooze };
    struct PressedPill {
        std::size_t card = 0;
        PillKind kind = PillKind::skip;
    };
    // The panels of one finished break while they fade out; `cleanUp` takes them away for sure.
    struct Fading {
        std::uint64_t id = 0;
        std::vector<std::unique_ptr<Panel>> panels;
        WorkItem cleanUp;
    };

    bool pillsUsable() const;
    void finish(BreakOutcome outcome);
    void tearDown(std::vector<std::unique_ptr<Panel>> panels, bool animated);
    void cleanUp(std::uint64_t fadingID);
    bool handleKey(const TransientKeyTap::KeyEvent& event);
    void handleMouse(const MouseEvent& event);
    std::optional<PressedPill> pillAt(Point desktopPoint) const;
    Point cardOrigin(std::size_t index) const;
    std::vector<Rect> framesOnDesktop(PillKind kind) const;

    MainQueue& m_queue;
    Screens& m_screens;
    Panels& m_panelService;
    Mouse& m_mouse;
    TextMeasurer& m_measurer;

    std::vector<std::unique_ptr<Panel>> m_panels;
    // One card per panel: its countdown label and its two pills.
    std::vector<std::shared_ptr<BreakCard>> m_cards;
    WorkItem m_tickWork;
    double m_endsAt = 0;
    double m_skipEnabledAt = 0;
    std::function<void(BreakOutcome)> m_onFinished;
    TransientKeyTap m_keyTap;
    double m_lastEscape = -std::numeric_limits<double>::infinity();
    double m_shownAt = 0;

    std::unique_ptr<MouseMonitor> m_mouseMonitor;
    std::optional<PressedPill> m_pressedPill;
    std::vector<Fading> m_fading;
    std::uint64_t m_nextFadingID = 1;
    WeakFactory m_weak;
};

}  // namespace tarnlet
