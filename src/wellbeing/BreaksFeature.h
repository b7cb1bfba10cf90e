#pragma once
// Breaks: eye-break reminders. After each work interval ("breaks.workIntervalMinutes") the user is
// warned a minute ahead (onPreWarn), the last ten seconds are counted down with a blinking eye
// (onCountdownTick), and then every display is covered by the break screen for
// "breaks.breakSeconds". Before the warning and before the countdown a small policy decides whether
// now is a good moment: an idle user has already rested (the cycle starts over), a typing user, a
// busy display or an excluded front application gets another minute.
//
//     BreaksFeature breaks(settings, BreaksFeature::Services{queue, workspace, ...});
//     breaks.onPreWarn = [&] { notch.showChip(...); };
//     breaks.activate();
//
// The feature draws nothing at the notch itself; the application wires its five callbacks. Every
// wait is one cancellable work item on the main queue bound to the feature's weak token, so nothing
// polls and nothing runs after deactivation or destruction. Main thread only.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Feature.h"
#include "base/Subscription.h"
#include "base/WeakToken.h"
#include "platform/MainQueue.h"
#include "wellbeing/BreakOverlay.h"
#include "wellbeing/BreakPolicy.h"

namespace tarnlet {

class EventTaps;
class InputIdle;
class Mouse;
class Panels;
class PowerAssertions;
class Screens;
class Settings;
class TextMeasurer;
class Workspace;

class BreaksFeature : public Feature {
public:
    // The warning comes this long before the break screen.
    static constexpr double kPreWarnLead = 60;
    // From the warning to the first countdown step; the countdown's ten seconds complete the minute.
    static constexpr double kCountdownWait = 50;
    static constexpr int kCountdownFrom = 10;
    // A postponed check is asked again after this long.
    static constexpr double kRetryDelay = 60;
    // A snoozed break comes back after this long.
    static constexpr double kSnoozeInterval = 300;
    static constexpr double kSkipDelay = 5.0;
    static constexpr int kPreviewSeconds = 8;
    static constexpr long long kMaxBreakSeconds = 24 * 60 * 60;

    // One frame of the eye's blink: when it shows, counted from the countdown step, and whether the
    // eye is open in it.
    struct BlinkFrame {
        double delay;
        bool eyeOpen;
    };
    static constexpr std::array<BlinkFrame, 4> kBlinkFrames{
        {{0.0625, false}, {0.125, true}, {0.1875, false}, {0.25, true}}};

    struct Services {
        MainQueue& queue;
        Workspace& workspace;
        InputIdle& inputIdle;
        PowerAssertions& powerAssertions;
        Screens& screens;
        Panels& panels;
        EventTaps& eventTaps;
        Mouse& mouse;
        TextMeasurer& textMeasurer;
        int selfPID;
    };

    BreaksFeature(Settings& settings, Services services);
    ~BreaksFeature() override;
    BreaksFeature(const BreaksFeature&) = delete;
    BreaksFeature& operator=(const BreaksFeature&) = delete;

    bool isActive() const override { return m_isActive; }
    void activate() override;
    void deactivate() override;
    // After any settings change: a changed work interval restarts the timing, unless a snooze, a
    // countdown or a break is under way.
    void applySettings() override;
    // Shows an 8-second sample break now, with the prompt last used; nothing is scheduled after it.
    void preview();

    // When the next phase fires, in wall-clock seconds; none while counting down or in a break.
    std::optional<double> nextFireAt() const { return m_nextFireAt; }
    const std::string& nextPhaseLabel() const { return m_nextPhaseLabel; }
    const std::string& lastDecisionSummary() const { return m_lastDecisionSummary; }
    int typingDefers() const { return m_typingDefers; }
    bool snoozing() const { return m_snoozing; }
    // The index into BreakOverlay::prompts() of the prompt used last.
    int copyIndex() const { return m_copyIndex; }
    // When the current cycle started (monotonic seconds) and how long it is, in seconds.
    double cycleStartedAt() const { return m_cycleStartedAt; }
    double scheduledInterval() const { return m_scheduledInterval; }
    BreakOverlay& overlay() { return m_overlay; }
    const BreakOverlay& overlay() const { return m_overlay; }

    // One minute before the break.
    std::function<void()> onPreWarn;
    // Every countdown step and every blink frame: the seconds left and whether the eye is open.
    std::function<void(int seconds, bool eyeOpen)> onCountdownTick;
    // The countdown is over or was abandoned.
    std::function<void()> onCountdownEnd;
    // The break screen went up (true) or came down (false).
    std::function<void(bool visible)> onOverlayVisible;
    // A break ran its full length.
    std::function<void()> onBreakDone;

private:
    BreakPolicy::Decision currentDecision();
    double workInterval() const;
    long long breakSeconds() const;
    bool frontIsExcluded() const;
    void schedulePhase(double seconds, std::string label, void (BreaksFeature::*action)());
    void scheduleCycle(std::optional<double> interval);
    void cancelCountdown();
    void preWarnDue();
    void countdownDue();
    void runCountdown(int seconds);
    void startBreak();
    void breakFinished(BreakOutcome outcome);
    void sessionReset();
    void emitOverlayVisible(bool visible);
    void emitCountdownEnd();

    Settings& m_settings;
    Services m_services;
    BreakOverlay m_overlay;
    bool m_isActive = false;
    WorkItem m_phaseWork;
    WorkItem m_tickWork;
    std::vector<WorkItem> m_blinkWork;
    std::vector<Subscription> m_wakeTokens;
    int m_typingDefers = 0;
    int m_copyIndex = 0;
    bool m_snoozing = false;
    double m_cycleStartedAt = 0;
    double m_scheduledInterval = 0;
    std::optional<double> m_nextFireAt;
    std::string m_nextPhaseLabel = "—";
    std::string m_lastDecisionSummary = "none yet";
    WeakFactory m_weak;
};

}  // namespace tarnlet
