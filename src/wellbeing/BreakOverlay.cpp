#include "wellbeing/BreakOverlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "diagnostics/Log.h"
#include "platform/EventTaps.h"
#include "platform/Mouse.h"
#include "platform/Panels.h"
#include "platform/Screens.h"

namespace tarnlet {

namespace {

constexpr std::int64_t kEscapeKey = 53;

// Clock readings are sums of fractions; a hair of tolerance keeps a countdown that is due exactly
// on a whole second from showing the second before it, and a skip delay that is due exactly now
// from waiting another tick.
constexpr double kClockTolerance = 1e-9;

std::string countdownText(int remaining) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", remaining / 60, remaining % 60);
    return text;
}

// What one panel shows: the darkened display and the card in its middle. It reads the card when it
// is drawn, so a panel always shows the card's current countdown and pills.
class BreakPanelContent : public PanelContent {
public:
    BreakPanelContent(std::shared_ptr<const BreakCard> card, Size size) : m_card(std::move(card)), m_size(size) {}

    Drawing drawing() const override {
        Drawing d;
        d.size = m_size;
        d.ops.push_back(draw::RoundedRect{Rect({0, 0}, m_size), 0, BreakOverlay::kDimming, std::nullopt, 0});
        const Size card = m_card->size();
        d.append(m_card->drawing(), {m_size.width / 2 - card.width / 2, m_size.height / 2 - card.height / 2});
        return d;
    }

private:
    std::shared_ptr<const BreakCard> m_card;
    Size m_size;
};

}  // namespace

const char* caseName(BreakOutcome outcome) {
    switch (outcome) {
        case BreakOutcome::completed: return "completed";
        case BreakOutcome::skipped: return "skipped";
        case BreakOutcome::snoozed: return "snoozed";
    }
    return "completed";
}

const std::array<BreakOverlay::Copy, 4>& BreakOverlay::prompts() {
    static const std::array<Copy, 4> kPrompts{{
        {"Unclench, blink, breathe", "Blink slowly a few times while looking away from the screen"},
        {"Look 20 feet away", "Find something across the room and let your eyes settle on it"},
        {"Roll your shoulders", "Let your arms hang and roll your shoulders back, slowly"},
        {"Loosen your jaw", "Unclench, drop your shoulders, take one slow breath"},
    }};
    return kPrompts;
}

BreakOverlay::BreakOverlay(MainQueue& queue, Screens& screens, Panels& panels, EventTaps& taps, Mouse& mouse,
                           TextMeasurer& measurer)
    : m_queue(queue),
      m_screens(screens),
      m_panelService(panels),
      m_mouse(mouse),
      m_measurer(measurer),
      m_keyTap(taps, /*consuming=*/true, /*watchKeyUp=*/true, maskOf(EventType::scrollWheel)) {
    m_keyTap.onKey = [this](const TransientKeyTap::KeyEvent& event) { return handleKey(event); };
}

BreakOverlay::~BreakOverlay() {
    // Nothing is reported from here: whoever owns the overlay is going away too.
    m_onFinished = nullptr;
    dismiss();
}

bool BreakOverlay::isShowing() const { return !m_panels.empty(); }

void BreakOverlay::show(int seconds, const Copy& copy, double skipDelay, std::function<void(BreakOutcome)> onFinished) {
    dismiss();

    const double now = m_queue.now();
    m_onFinished = std::move(onFinished);
    m_endsAt = now + seconds;
    // A delay that is not a number would keep the pills disabled for good; it means no delay.
    m_skipEnabledAt = now + (std::isnan(skipDelay) ? 0.0 : skipDelay);
    // Two presses of Esc skip only when both fall on this screen; one left over from an earlier
    // break does not count.
    m_lastEscape = -std::numeric_limits<double>::infinity();

    const PanelOptions options{kPanelLevel, kCollectionBehavior, /*ignoresMouse=*/false, /*alpha=*/0};
    for (const Screen& screen : m_screens.screens()) {
        auto card = std::make_shared<BreakCard>(copy.title, copy.body, "00:00", m_measurer);
        auto content = std::make_shared<BreakPanelContent>(card, screen.frame.size);
        std::unique_ptr<Panel> panel = m_panelService.show(std::move(content), screen.frame, options);
        if (!panel) continue;
        m_panels.push_back(std::move(panel));
        m_cards.push_back(std::move(card));
    }
    for (const auto& panel : m_panels) panel->orderFront();
    for (const auto& panel : m_panels) panel->animate(PanelAnimation{1.0, std::nullopt, kFadeIn});

    m_shownAt = now;
    Log::debug([&] {
        return "Breaks: screen up on " + std::to_string(m_panels.size()) + " display(s) for " +
               std::to_string(seconds) + "s";
    });

    if (m_panels.empty()) {
        m_keyTap.disarm();
        finish(BreakOutcome::completed);
        return;
    }
    m_keyTap.arm();
    m_mouseMonitor = m_mouse.addLocalMonitor(MouseMask::leftDown | MouseMask::leftDragged | MouseMask::leftUp,
                                             m_weak.bind([this](const MouseEvent& event) { handleMouse(event); }));
    tick();
}

void BreakOverlay::dismiss() {
    m_tickWork.cancel();
    m_keyTap.disarm();
    m_mouseMonitor.reset();
    m_pressedPill.reset();
    m_onFinished = nullptr;
    std::vector<std::unique_ptr<Panel>> panels = std::move(m_panels);
    m_panels.clear();
    m_cards.clear();
    if (!panels.empty()) {
        Log::debug("Breaks: screen dismissed");
        tearDown(std::move(panels), false);
    }
}

void BreakOverlay::tick() {
    if (!isShowing()) return;
    const double now = m_queue.now();
    const int remaining = static_cast<int>(std::ceil(m_endsAt - now - kClockTolerance));
    if (remaining < 1) {
        finish(BreakOutcome::completed);
        return;
    }

    const std::string text = countdownText(remaining);
    const bool usable = pillsUsable();
    const double alpha = usable ? 1.0 : 0.4;
    for (const auto& card : m_cards) {
        card->setCountdown(text);
        PillButton& skip = card->skipButton();
        skip.title = remaining < 6 ? BreakCard::kEndTitle : BreakCard::kSkipTitle;
        skip.enabled = usable;
        skip.alpha = alpha;
        PillButton& snooze = card->snoozeButton();
        snooze.enabled = usable;
        snooze.alpha = alpha;
        // A pill that turned disabled under a held button lets go of it.
        if (!usable) skip.highlighted = snooze.highlighted = false;
    }

    m_tickWork = m_queue.postAfter(1.0, m_weak.bind([this] { tick(); }));
}

bool BreakOverlay::handleKey(const TransientKeyTap::KeyEvent& event) {
    if (event.code == kEscapeKey) {
        const std::uint64_t flags = event.flags;
        if ((flags & ModifierFlag::command) && (flags & ModifierFlag::option)) {
            // The system's force-quit shortcut must keep working: let it through and give the
            // keyboard back for the rest of the break.
            m_queue.post(m_weak.bind([this] { m_keyTap.disarm(); }));
            return false;
        }
        if (!event.isKeyUp &&
            !(flags & (ModifierFlag::control | ModifierFlag::option | ModifierFlag::command))) {
            m_queue.post(m_weak.bind([this] { escapePressed(); }));
            return true;
        }
    }
    // Everything else is held back from the applications while the break shows.
    return true;
}

void BreakOverlay::escapePressed() {
    // A press queued just before the screen went down belongs to no break.
    if (!isShowing()) return;
    const double now = m_queue.now();
    if (now - m_lastEscape < kEscapeWindow) {
        finish(BreakOutcome::skipped);
        return;
    }
    m_lastEscape = now;
}

bool BreakOverlay::pillsUsable() const {
    return isShowing() && m_queue.now() + kClockTolerance >= m_skipEnabledAt;
}

void BreakOverlay::skipPressed() {
    if (!pillsUsable()) return;
    finish(m_endsAt - m_queue.now() > kEndBreakThreshold ? BreakOutcome::skipped : BreakOutcome::completed);
}

void BreakOverlay::snoozePressed() {
    if (!pillsUsable()) return;
    finish(BreakOutcome::snoozed);
}

void BreakOverlay::finish(BreakOutcome outcome) {
    m_tickWork.cancel();
    m_keyTap.disarm();
    m_mouseMonitor.reset();
    m_pressedPill.reset();

    std::function<void(BreakOutcome)> onFinished = std::move(m_onFinished);
    m_onFinished = nullptr;
    std::vector<std::unique_ptr<Panel>> panels = std::move(m_panels);
    m_panels.clear();
    m_cards.clear();

    const double elapsed = m_queue.now() - m_shownAt;
    Log::debug([&] {
        return "Breaks: screen down after " + std::to_string(static_cast<long long>(elapsed)) + "s — " +
               caseName(outcome);
    });
    tearDown(std::move(panels), true);
    if (onFinished) onFinished(outcome);
}

void BreakOverlay::tearDown(std::vector<std::unique_ptr<Panel>> panels, bool animated) {
    if (!animated) {
        for (const auto& panel : panels) panel->remove();
        return;
    }
    if (panels.empty()) return;
    const std::uint64_t id = m_nextFadingID++;
    for (const auto& panel : panels)
        panel->animate(PanelAnimation{0.0, std::nullopt, kFadeOut}, m_weak.bind([this, id] { cleanUp(id); }));
    // The fade's completion is not something to rely on alone: the panels go away after this delay
    // whether or not it came.
    WorkItem cleanUpWork = m_queue.postAfter(kCleanUpDelay, m_weak.bind([this, id] { cleanUp(id); }));
    m_fading.push_back(Fading{id, std::move(panels), std::move(cleanUpWork)});
}

void BreakOverlay::cleanUp(std::uint64_t fadingID) {
    const auto found =
        std::find_if(m_fading.begin(), m_fading.end(), [fadingID](const Fading& f) { return f.id == fadingID; });
    if (found == m_fading.end()) return;  // the other of the two clean-ups came first
    Fading fading = std::move(*found);
    m_fading.erase(found);
    for (const auto& panel : fading.panels) panel->remove();
    fading.cleanUp.cancel();
}

std::size_t BreakOverlay::fadingPanelCount() const {
    std::size_t count = 0;
    for (const Fading& fading : m_fading) count += fading.panels.size();
    return count;
}

Point BreakOverlay::cardOrigin(std::size_t index) const {
    const Rect frame = m_panels[index]->frame();
    const Size card = m_cards[index]->size();
    return {frame.minX() + frame.width() / 2 - card.width / 2, frame.minY() + frame.height() / 2 - card.height / 2};
}

std::vector<Rect> BreakOverlay::framesOnDesktop(PillKind kind) const {
    std::vector<Rect> frames;
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        const Point origin = cardOrigin(i);
        const Rect& frame = kind == PillKind::skip ? m_cards[i]->skipButton().frame : m_cards[i]->snoozeButton().frame;
        frames.emplace_back(origin.x + frame.minX(), origin.y + frame.minY(), frame.width(), frame.height());
    }
    return frames;
}

std::vector<Rect> BreakOverlay::skipButtonFramesOnDesktop() const { return framesOnDesktop(PillKind::skip); }
std::vector<Rect> BreakOverlay::snoozeButtonFramesOnDesktop() const { return framesOnDesktop(PillKind::snooze); }

std::vector<std::string> BreakOverlay::countdownTexts() const {
    std::vector<std::string> texts;
    for (const auto& card : m_cards) texts.push_back(card->countdown());
    return texts;
}

std::vector<PillButton> BreakOverlay::skipButtons() const {
    std::vector<PillButton> pills;
    for (const auto& card : m_cards) pills.push_back(card->skipButton());
    return pills;
}

std::vector<PillButton> BreakOverlay::snoozeButtons() const {
    std::vector<PillButton> pills;
    for (const auto& card : m_cards) pills.push_back(card->snoozeButton());
    return pills;
}

std::optional<BreakOverlay::PressedPill> BreakOverlay::pillAt(Point desktopPoint) const {
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        // Only a panel that is on screen can be clicked; the card sits in its middle.
        if (!m_panels[i]->isOnScreen() || !m_panels[i]->frame().contains(desktopPoint)) continue;
        const Point origin = cardOrigin(i);
        const Point inCard{desktopPoint.x - origin.x, desktopPoint.y - origin.y};
        if (m_cards[i]->skipButton().frame.contains(inCard)) return PressedPill{i, PillKind::skip};
        if (m_cards[i]->snoozeButton().frame.contains(inCard)) return PressedPill{i, PillKind::snooze};
    }
    return std::nullopt;
}

void BreakOverlay::handleMouse(const MouseEvent& event) {
    if (!isShowing()) return;
    auto pillOf = [this](const PressedPill& pressed) -> PillButton& {
        BreakCard& card = *m_cards[pressed.card];
        return pressed.kind == PillKind::skip ? card.skipButton() : card.snoozeButton();
    };
    const std::optional<PressedPill> under = pillAt(event.location);
    auto isSame = [&](const std::optional<PressedPill>& a) {
        return a && m_pressedPill && a->card == m_pressedPill->card && a->kind == m_pressedPill->kind;
    };

    switch (event.type) {
        case MouseEventType::leftDown:
            // Like any push button, a pill tracks the press that began on it while enabled.
            m_pressedPill.reset();
            if (under && pillOf(*under).enabled) {
                m_pressedPill = under;
                pillOf(*under).highlighted = true;
            }
            break;
        case MouseEventType::leftDragged:
            if (m_pressedPill) pillOf(*m_pressedPill).highlighted = isSame(under) && pillOf(*m_pressedPill).enabled;
            break;
        case MouseEventType::leftUp: {
            if (!m_pressedPill) break;
            const PressedPill pressed = *m_pressedPill;
            m_pressedPill.reset();
            PillButton& pill = pillOf(pressed);
            pill.highlighted = false;
            // The press counts when the button comes up over the same pill, still enabled.
            if (!under || under->card != pressed.card || under->kind != pressed.kind || !pill.enabled) break;
            if (pressed.kind == PillKind::skip) skipPressed();
            else snoozePressed();
            break;
        }
        default:
            break;
    }
}

}  // namespace tarnlet
