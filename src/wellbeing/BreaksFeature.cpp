#include "wellbeing/BreaksFeature.h"

#include <algorithm>
#include <utility>

#include "diagnostics/Log.h"
#include "platform/InputEvent.h"
#include "platform/InputIdle.h"
#include "platform/PowerAssertions.h"
#include "platform/Workspace.h"
#include "settings/Settings.h"

namespace tarnlet {

namespace {

// The kinds of input whose absence makes a user idle.
constexpr EventType kInputKinds[] = {EventType::keyDown,        EventType::mouseMoved,       EventType::leftMouseDown,
                                     EventType::rightMouseDown, EventType::leftMouseDragged, EventType::scrollWheel};

}  // namespace

BreaksFeature::BreaksFeature(Settings& settings, Services services)
    : m_settings(settings),
      m_services(services),
      m_overlay(services.queue, services.screens, services.panels, services.eventTaps, services.mouse,
                services.textMeasurer) {}

// The overlay's completions are bound to the weak token, which dies first, so a screen still up
// while the feature goes away reports to no one.
BreaksFeature::~BreaksFeature() = default;

void BreaksFeature::activate() {
    if (m_isActive) return;
    m_isActive = true;
    m_wakeTokens.push_back(m_services.workspace.observeDidWake(m_weak.bind([this] { sessionReset(); })));
    m_wakeTokens.push_back(
        m_services.workspace.observeSessionDidBecomeActive(m_weak.bind([this] { sessionReset(); })));
    scheduleCycle(std::nullopt);
    Log::debug("Breaks activated");
}

void BreaksFeature::deactivate() {
    const bool wasShowing = m_overlay.isShowing();
    m_overlay.dismiss();
    if (!m_isActive) {
        // A sample break shown while the feature is off told the application that the screen went
        // up; taking it down silently would leave the application believing it is still there.
        if (wasShowing) emitOverlayVisible(false);
        return;
    }
    m_isActive = false;
    m_phaseWork.cancel();
    cancelCountdown();
    m_wakeTokens.clear();
    m_nextFireAt.reset();
    m_nextPhaseLabel = "—";
    emitOverlayVisible(false);
    emitCountdownEnd();
    Log::debug("Breaks deactivated");
}

void BreaksFeature::applySettings() {
    if (!m_isActive || m_snoozing) return;
    if (workInterval() == m_scheduledInterval) return;
    if (m_overlay.isShowing() || m_tickWork.isPending()) return;
    scheduleCycle(std::nullopt);
}

void BreaksFeature::preview() {
    if (m_overlay.isShowing()) return;
    emitOverlayVisible(true);
    m_overlay.show(kPreviewSeconds, BreakOverlay::prompts()[static_cast<std::size_t>(m_copyIndex)], 0.0,
                   m_weak.bind([this](BreakOutcome) { emitOverlayVisible(false); }));
}

double BreaksFeature::workInterval() const {
    // A work interval below a minute is no setting anyone chose on purpose; a minute is the floor.
    return static_cast<double>(std::max(1LL, m_settings.integer("breaks.workIntervalMinutes"))) * 60;
}

long long BreaksFeature::breakSeconds() const {
    // A break of zero seconds would both end at once and make every moment count as a natural
    // break, so reminders would silently stop; one second is the floor. A day is the ceiling, which
    // also keeps the length within what the break screen counts in.
    return std::clamp(m_settings.integer("breaks.breakSeconds"), 1LL, kMaxBreakSeconds);
}

bool BreaksFeature::frontIsExcluded() const {
    const std::set<std::string> excluded = m_settings.stringSet("breaks.excludedApps");
    if (excluded.empty()) return false;
    const auto front = m_services.workspace.frontmostApplicationBundleID();
    return front && excluded.count(*front) > 0;
}

BreakPolicy::Decision BreaksFeature::currentDecision() {
    BreakPolicy::Inputs in;
    in.smart = m_settings.boolean("breaks.smartDefer");
    if (in.smart) {
        double idle = m_services.inputIdle.secondsSinceLastEvent(kInputKinds[0]);
        for (EventType kind : kInputKinds) idle = std::min(idle, m_services.inputIdle.secondsSinceLastEvent(kind));
        in.idle = idle;
        in.key = m_services.inputIdle.secondsSinceLastEvent(EventType::keyDown);
        in.busy = BreakPolicy::displayHeldByOthers(m_services.powerAssertions.assertionsByProcess(),
                                                   m_services.selfPID);
    }
    in.excluded = m_settings.stringSet("breaks.excludedApps");
    // The front application is asked only when it could matter.
    if (!in.excluded.empty()) in.front = m_services.workspace.frontmostApplicationBundleID();
    in.typingDefers = m_typingDefers;
    in.breakSeconds = breakSeconds();

    const BreakPolicy::Decision decision = BreakPolicy::decide(in);
    m_lastDecisionSummary = BreakPolicy::summary(decision, in);
    Log::debug([&] { return "Breaks decision: " + m_lastDecisionSummary; });
    return decision;
}

void BreaksFeature::schedulePhase(double seconds, std::string label, void (BreaksFeature::*action)()) {
    m_phaseWork.cancel();
    m_nextFireAt = m_services.queue.wallNow() + seconds;
    m_nextPhaseLabel = std::move(label);
    m_phaseWork = m_services.queue.postAfter(seconds, m_weak.bind([this, action] {
        if (m_isActive) (this->*action)();
    }));
}

void BreaksFeature::cancelCountdown() {
    m_tickWork.cancel();
    m_blinkWork.clear();  // destroying a work item cancels it
}

void BreaksFeature::scheduleCycle(std::optional<double> interval) {
    m_typingDefers = 0;
    m_phaseWork.cancel();
    cancelCountdown();
    m_cycleStartedAt = m_services.queue.now();
    m_snoozing = interval.has_value();
    m_scheduledInterval = interval.value_or(workInterval());
    schedulePhase(std::max(m_scheduledInterval - kPreWarnLead, 1.0), m_snoozing ? "snoozed break" : "pre-warn chip",
                  &BreaksFeature::preWarnDue);
}

void BreaksFeature::preWarnDue() {
    switch (currentDecision()) {
        case BreakPolicy::Decision::creditNatural: scheduleCycle(std::nullopt); break;
        case BreakPolicy::Decision::postponeTyping:
            ++m_typingDefers;
            schedulePhase(kRetryDelay, "pre-warn retry (typing)", &BreaksFeature::preWarnDue);
            break;
        case BreakPolicy::Decision::postponeBusy:
            schedulePhase(kRetryDelay, "pre-warn retry (busy)", &BreaksFeature::preWarnDue);
            break;
        case BreakPolicy::Decision::start:
            if (m_settings.boolean("breaks.preWarn") && onPreWarn) onPreWarn();
            schedulePhase(kCountdownWait, "final countdown", &BreaksFeature::countdownDue);
            break;
    }
}

void BreaksFeature::countdownDue() {
    switch (currentDecision()) {
        case BreakPolicy::Decision::creditNatural: scheduleCycle(std::nullopt); break;
        case BreakPolicy::Decision::postponeTyping:
            ++m_typingDefers;
            schedulePhase(kRetryDelay, "countdown retry (typing)", &BreaksFeature::countdownDue);
            break;
        case BreakPolicy::Decision::postponeBusy:
            schedulePhase(kRetryDelay, "countdown retry (busy)", &BreaksFeature::countdownDue);
            break;
        case BreakPolicy::Decision::start:
            m_nextFireAt.reset();
            m_nextPhaseLabel = "counting down";
            runCountdown(kCountdownFrom);
            break;
    }
}

void BreaksFeature::runCountdown(int seconds) {
    if (seconds < 1) {
        emitCountdownEnd();
        startBreak();
        return;
    }
    if (onCountdownTick) onCountdownTick(seconds, true);
    if (seconds % 2 == 0) {
        // The eye closes and opens twice within the first quarter of every other second.
        m_blinkWork.clear();
        for (const BlinkFrame& frame : kBlinkFrames) {
            m_blinkWork.push_back(m_services.queue.postAfter(frame.delay, m_weak.bind([this, seconds, frame] {
                if (m_isActive && onCountdownTick) onCountdownTick(seconds, frame.eyeOpen);
            })));
        }
    }
    m_tickWork = m_services.queue.postAfter(1.0, m_weak.bind([this, seconds] {
        if (m_isActive) runCountdown(seconds - 1);
    }));
}

void BreaksFeature::startBreak() {
    if (frontIsExcluded()) {
        Log::debug("Breaks: excluded app frontmost at start — deferring");
        emitCountdownEnd();
        schedulePhase(kRetryDelay, "break retry (excluded app)", &BreaksFeature::countdownDue);
        return;
    }
    emitOverlayVisible(true);
    m_copyIndex = (m_copyIndex + 1) % static_cast<int>(BreakOverlay::prompts().size());
    m_overlay.show(static_cast<int>(breakSeconds()), BreakOverlay::prompts()[static_cast<std::size_t>(m_copyIndex)],
                   m_settings.boolean("breaks.delayedSkip") ? kSkipDelay : 0.0,
                   m_weak.bind([this](BreakOutcome outcome) { breakFinished(outcome); }));
}

void BreaksFeature::breakFinished(BreakOutcome outcome) {
    emitOverlayVisible(false);
    if (!m_isActive) return;
    if (outcome == BreakOutcome::completed && onBreakDone) onBreakDone();
    scheduleCycle(outcome == BreakOutcome::snoozed ? std::optional<double>(kSnoozeInterval) : std::nullopt);
}

void BreaksFeature::sessionReset() {
    // Time asleep or spent in another user's session is no work: whatever was under way ends and
    // a full interval starts now.
    if (!m_isActive) return;
    m_overlay.dismiss();
    emitOverlayVisible(false);
    emitCountdownEnd();
    scheduleCycle(std::nullopt);
}

void BreaksFeature::emitOverlayVisible(bool visible) {
    if (onOverlayVisible) onOverlayVisible(visible);
}

void BreaksFeature::emitCountdownEnd() {
    if (onCountdownEnd) onCountdownEnd();
}

}  // namespace tarnlet
