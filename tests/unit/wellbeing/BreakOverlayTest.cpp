#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "diagnostics/Log.h"
#include "platform/host/CairoRenderer.h"
#include "platform/host/PangoTextMeasurer.h"
#include "support/TestEnvironment.h"
#include "unit/render/RenderTestSupport.h"
#include "wellbeing/BreakCard.h"
#include "wellbeing/BreakOverlay.h"

namespace tarnlet {
namespace {

constexpr std::uint16_t kEscape = 53;

// Stands in for a window server whose fade-out never reports back: every completion is dropped,
// everything else goes to the simulated panels.
class CompletionlessPanels : public Panels {
public:
    explicit CompletionlessPanels(Panels& inner) : m_inner(inner) {}
    std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) override {
        return std::make_unique<Wrapped>(m_inner.show(std::move(content), frame, options));
    }

private:
    class Wrapped : public Panel {
    public:
        explicit Wrapped(std::unique_ptr<Panel> inner) : m_inner(std::move(inner)) {}
        void replace(std::shared_ptr<PanelContent> content, Rect frame) override { m_inner->replace(content, frame); }
        void remove() override { m_inner->remove(); }
        void orderFront() override { m_inner->orderFront(); }
        bool isOnScreen() const override { return m_inner->isOnScreen(); }
        double alpha() const override { return m_inner->alpha(); }
        Rect frame() const override { return m_inner->frame(); }
        void animate(const PanelAnimation& animation, std::function<void()>) override { m_inner->animate(animation); }

    private:
        std::unique_ptr<Panel> m_inner;
    };
    Panels& m_inner;
};

class BreakOverlayTest : public ::testing::Test {
protected:
    BreakOverlayTest() { desktop.keyboard().setFrontApplication("com.example.editor"); }
    void SetUp() override {
        Log::setSystemLog(&desktop.systemLog());
        Log::setDebugEnabled(true);
    }
    void TearDown() override {
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
    }

    void show(int seconds, double skipDelay = 0, BreakOverlay* on = nullptr) {
        (on ? *on : overlay)
            .show(seconds, BreakOverlay::prompts()[1], skipDelay, [this](BreakOutcome outcome) { outcomes.push_back(outcome); });
    }
    std::uint16_t code(const char* name) const { return *sim::SimKeyboard::keyCode(name); }
    void escape() {
        desktop.keyboard().press(kEscape);
        desktop.runUntilIdle();
    }
    static Point middle(const Rect& r) { return {r.midX(), r.midY()}; }
    void click(Point p) {
        desktop.mouse().moveTo(p);
        desktop.mouse().leftDown();
        desktop.mouse().leftUp();
    }
    void clickSkip(std::size_t card = 0) { click(middle(overlay.skipButtonFramesOnDesktop().at(card))); }
    void clickSnooze(std::size_t card = 0) { click(middle(overlay.snoozeButtonFramesOnDesktop().at(card))); }
    // Keys and scrolls the front application received; modifier changes are not counted.
    std::size_t deliveredKeys() const {
        const auto& delivered = desktop.keyboard().delivered();
        return static_cast<std::size_t>(std::count_if(delivered.begin(), delivered.end(), [](const auto& d) {
            return d.event.type != EventType::flagsChanged;
        }));
    }
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        for (const auto& line : desktop.systemLog().lines())
            if (line.text.starts_with("Breaks: ")) lines.push_back(line.text);
        return lines;
    }
    std::size_t panelsOnScreen() const { return desktop.panels().onScreen().size(); }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    BreakOverlay overlay{desktop.queue(), desktop.screens(), desktop.panels(), desktop.keyboard(), desktop.mouse(),
                         desktop.platform().textMeasurer};
    std::vector<BreakOutcome> outcomes;
};

TEST_F(BreakOverlayTest, CountsDownOnceASecondAndCompletesWhenTimeIsUp) {
    show(65);
    ASSERT_TRUE(overlay.isShowing());
    EXPECT_EQ(overlay.countdownTexts(), std::vector<std::string>{"01:05"});
    EXPECT_TRUE(overlay.keyTap().isArmed());
    EXPECT_EQ(logLines(), std::vector<std::string>{"Breaks: screen up on 1 display(s) for 65s"});

    desktop.advanceBy(1);
    EXPECT_EQ(overlay.countdownTexts(), std::vector<std::string>{"01:04"});
    desktop.advanceBy(58);  // 6 seconds left
    EXPECT_EQ(overlay.skipButtons().at(0).title, "Skip Break");
    desktop.advanceBy(1);
    EXPECT_EQ(overlay.countdownTexts(), std::vector<std::string>{"00:05"});
    EXPECT_EQ(overlay.skipButtons().at(0).title, "End Break");

    desktop.advanceBy(4.5);
    EXPECT_EQ(overlay.countdownTexts(), std::vector<std::string>{"00:01"});
    EXPECT_TRUE(outcomes.empty());
    desktop.advanceBy(0.5);
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::completed});
    EXPECT_FALSE(overlay.isShowing());
    EXPECT_FALSE(overlay.keyTap().isArmed());
    EXPECT_EQ(logLines().back(), "Breaks: screen down after 65s — completed");
    desktop.advanceBy(120);
    EXPECT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(desktop.queue().pendingCount(), 0u) << "nothing of the finished break runs on";

    show(3600);
    EXPECT_EQ(overlay.countdownTexts(), std::vector<std::string>{"60:00"});
    show(0);
    EXPECT_EQ(outcomes.size(), 2u) << "a break of no length ends at once";
}

TEST_F(BreakOverlayTest, PillsWaitForTheSkipDelayButEscDoesNot) {
    show(20, 5.0);
    for (const auto& pills : {overlay.skipButtons(), overlay.snoozeButtons()}) {
        EXPECT_FALSE(pills.at(0).enabled);
        EXPECT_DOUBLE_EQ(pills.at(0).alpha, 0.4);
    }
    // A click on a disabled pill is no press.
    clickSkip();
    clickSnooze();
    desktop.advanceBy(4);
    clickSnooze();
    overlay.skipPressed();
    overlay.snoozePressed();
    EXPECT_TRUE(overlay.isShowing());
    EXPECT_FALSE(overlay.snoozeButtons().at(0).enabled);

    desktop.advanceBy(1);
    for (const auto& pills : {overlay.skipButtons(), overlay.snoozeButtons()}) {
        EXPECT_TRUE(pills.at(0).enabled);
        EXPECT_DOUBLE_EQ(pills.at(0).alpha, 1.0);
    }
    overlay.dismiss();

    show(20, 5.0);
    desktop.advanceBy(1);
    escape();
    desktop.advanceBy(0.3);
    escape();
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped});
    EXPECT_EQ(logLines().back(), "Breaks: screen down after 1s — skipped");
}

TEST_F(BreakOverlayTest, TwoEscapesMustFallWithinTheWindow) {
    show(60);
    escape();
    desktop.advanceBy(0.9);
    escape();
    EXPECT_TRUE(overlay.isShowing()) << "0.9 s apart is too slow";
    desktop.advanceBy(0.7);
    escape();
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped}) << "the second press opened a new window";

    // A held Esc repeats, and its repeats count as presses.
    show(60);
    desktop.advanceBy(2);
    desktop.keyboard().keyDown(kEscape);
    desktop.advanceBy(sim::SimKeyboard::kInitialRepeatDelay + 0.05);
    desktop.keyboard().keyUp(kEscape);
    desktop.runUntilIdle();
    EXPECT_EQ(outcomes.size(), 2u);

    // An Esc left over from the last screen does not pair with one on the next.
    show(60);
    escape();
    overlay.dismiss();
    show(60);
    desktop.advanceBy(0.2);
    escape();
    EXPECT_TRUE(overlay.isShowing());
}

TEST_F(BreakOverlayTest, TheKeyboardIsHeldBackUntilTheBreakEnds) {
    show(60);
    const std::size_t before = deliveredKeys();
    for (const char* modifier : {"ctrl", "cmd", "opt"}) {
        desktop.keyboard().keyDown(code(modifier));
        escape();
        escape();
        desktop.keyboard().keyUp(code(modifier));
        EXPECT_TRUE(overlay.isShowing()) << modifier;
    }
    desktop.keyboard().press(code("a"));
    desktop.keyboard().keyDown(code("cmd"));
    desktop.keyboard().press(code("q"));
    desktop.keyboard().keyUp(code("cmd"));
    desktop.keyboard().scroll();
    desktop.runUntilIdle();
    EXPECT_EQ(deliveredKeys(), before) << "nothing reached the application";

    // Shift is no obstacle to skipping.
    desktop.keyboard().keyDown(code("shift"));
    escape();
    escape();
    desktop.keyboard().keyUp(code("shift"));
    ASSERT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped});
    desktop.keyboard().press(code("a"));
    desktop.keyboard().scroll();
    EXPECT_EQ(deliveredKeys(), before + 3) << "the keyboard is back: a's down and up and the scroll";
}

TEST_F(BreakOverlayTest, ForceQuitShortcutPassesThroughAndReleasesTheKeyboard) {
    show(60);
    desktop.keyboard().keyDown(code("cmd"));
    desktop.keyboard().keyDown(code("opt"));
    const std::size_t before = desktop.keyboard().delivered().size();
    desktop.keyboard().press(kEscape);
    desktop.runUntilIdle();
    const auto& delivered = desktop.keyboard().delivered();
    ASSERT_EQ(delivered.size(), before + 2);
    EXPECT_EQ(delivered[before].event.type, EventType::keyDown);
    EXPECT_EQ(delivered[before].event.keyCode, kEscape);
    EXPECT_EQ(delivered[before + 1].event.type, EventType::keyUp);
    desktop.keyboard().keyUp(code("opt"));
    desktop.keyboard().keyUp(code("cmd"));

    EXPECT_TRUE(overlay.isShowing());
    EXPECT_FALSE(overlay.keyTap().isArmed());
    escape();
    escape();
    EXPECT_TRUE(overlay.isShowing()) << "Esc no longer reaches the break";
    EXPECT_TRUE(outcomes.empty());

    // The pills still end it.
    clickSnooze();
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::snoozed});
}

TEST_F(BreakOverlayTest, WithoutTheAccessibilityPermissionOnlyThePillsEndTheBreak) {
    desktop.permissions().setAccessibilityTrusted(false);
    show(60);
    EXPECT_FALSE(overlay.keyTap().isArmed());
    const std::size_t before = deliveredKeys();
    escape();
    escape();
    EXPECT_TRUE(overlay.isShowing());
    EXPECT_EQ(deliveredKeys(), before + 4);
    clickSkip();
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped});
}

TEST_F(BreakOverlayTest, SkippingNearTheEndCountsAsCompleted) {
    show(20);
    desktop.advanceBy(14);  // six seconds left: still a skip
    clickSkip();
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped});

    show(20);
    desktop.advanceBy(15);  // five seconds left
    EXPECT_EQ(overlay.skipButtons().at(0).title, "End Break");
    clickSkip();
    EXPECT_EQ(outcomes.back(), BreakOutcome::completed);

    show(20);
    desktop.advanceBy(15);
    clickSnooze();
    EXPECT_EQ(outcomes.back(), BreakOutcome::snoozed);
    EXPECT_EQ(logLines().back(), "Breaks: screen down after 15s — snoozed");
}

TEST_F(BreakOverlayTest, APillPressesOnlyWhenTheButtonComesUpOnIt) {
    show(60);
    const Rect skip = overlay.skipButtonFramesOnDesktop().at(0);
    const Rect snooze = overlay.snoozeButtonFramesOnDesktop().at(0);

    desktop.mouse().moveTo(middle(skip));
    desktop.mouse().leftDown();
    EXPECT_TRUE(overlay.skipButtons().at(0).highlighted);
    desktop.mouse().moveTo({skip.midX(), skip.maxY() + 30});
    EXPECT_FALSE(overlay.skipButtons().at(0).highlighted) << "dragged off, the pill lets go";
    desktop.mouse().moveTo(middle(snooze));
    desktop.mouse().leftUp();
    EXPECT_TRUE(overlay.isShowing()) << "a press that began on the other pill presses neither";
    EXPECT_FALSE(overlay.snoozeButtons().at(0).highlighted);

    // A click on the card or the darkened display around it does nothing.
    click({skip.minX() - 4, skip.midY()});
    click({20, 20});
    desktop.mouse().rightClick();
    EXPECT_TRUE(overlay.isShowing());

    // The pill's edges are part of it.
    click({skip.minX() + 0.5, skip.minY() + 0.5});
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped});
    EXPECT_EQ(desktop.mouse().localMonitorCount(), 0u) << "the screen stops watching the mouse";
}

TEST_F(BreakOverlayTest, EveryDisplayGetsItsOwnPanelAndCard) {
    const Screen laptop = sim::SimScreens::laptopPanel(1512, 982, true, 1);
    const Screen external = sim::SimScreens::externalDisplay(2560, 1440, 1512, 2);
    desktop.screens().setScreens({laptop, external});
    show(65);

    ASSERT_EQ(overlay.panelCount(), 2u);
    const auto panels = desktop.panels().onScreen();
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(panels[0]->frame, laptop.frame);
    EXPECT_EQ(panels[1]->frame, external.frame);
    for (const auto& panel : panels) {
        EXPECT_EQ(panel->options.level, 25);
        EXPECT_EQ(panel->options.collectionBehavior, 337u);
        EXPECT_FALSE(panel->options.ignoresMouse);
        EXPECT_DOUBLE_EQ(desktop.panels().alphaOf(*panel), 0.0) << "fades in from nothing";
    }
    desktop.advanceBy(0.175);
    EXPECT_NEAR(desktop.panels().alphaOf(*panels[1]), 0.5, 1e-9);
    desktop.advanceBy(0.2);
    EXPECT_DOUBLE_EQ(desktop.panels().alphaOf(*panels[0]), 1.0);
    EXPECT_EQ(logLines().front(), "Breaks: screen up on 2 display(s) for 65s");

    // One countdown drives both cards, and each panel draws its card's current state.
    desktop.advanceBy(0.65);  // one second in
    EXPECT_EQ(overlay.countdownTexts(), (std::vector<std::string>{"01:04", "01:04"}));
    for (const auto& panel : panels) {
        bool found = false;
        for (const auto& op : panel->content->drawing().ops)
            if (const auto* text = std::get_if<draw::Text>(&op)) found |= text->text == "01:04";
        EXPECT_TRUE(found);
    }

    // Each card sits in the middle of its own display.
    const Rect skip0 = overlay.skipButtonFramesOnDesktop().at(0);
    const Rect skip1 = overlay.skipButtonFramesOnDesktop().at(1);
    EXPECT_TRUE(laptop.frame.contains(middle(skip0)));
    EXPECT_TRUE(external.frame.contains(middle(skip1)));
    EXPECT_DOUBLE_EQ(skip1.minX() - external.frame.midX(), skip0.minX() - laptop.frame.midX());
    EXPECT_DOUBLE_EQ(skip1.minY() - external.frame.midY(), skip0.minY() - laptop.frame.midY());
    clickSkip(1);
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped});
}

TEST_F(BreakOverlayTest, DismissTakesTheScreenDownWithoutReporting) {
    show(60);
    desktop.advanceBy(3);
    overlay.dismiss();
    EXPECT_FALSE(overlay.isShowing());
    EXPECT_EQ(panelsOnScreen(), 0u) << "at once, without a fade";
    EXPECT_FALSE(overlay.keyTap().isArmed());
    EXPECT_EQ(logLines().back(), "Breaks: screen dismissed");
    desktop.advanceBy(120);
    EXPECT_TRUE(outcomes.empty());

    // Dismissing nothing logs nothing.
    const std::size_t lines = logLines().size();
    overlay.dismiss();
    EXPECT_EQ(logLines().size(), lines);

    // Showing over a screen that is up replaces it; only the new one reports.
    int firstReports = 0;
    overlay.show(60, BreakOverlay::prompts()[0], 0, [&](BreakOutcome) { ++firstReports; });
    show(30);
    EXPECT_EQ(panelsOnScreen(), 1u);
    EXPECT_EQ(overlay.countdownTexts(), std::vector<std::string>{"00:30"});
    desktop.advanceBy(60);
    EXPECT_EQ(firstReports, 0);
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::completed});
}

TEST_F(BreakOverlayTest, ABreakReportsOnceEvenWhenEverythingEndsItAtOnce) {
    show(60);
    desktop.advanceBy(10);
    // Two Esc presses, and a skip click in the same turn of the queue.
    desktop.keyboard().press(kEscape);
    desktop.advanceBy(0.1);
    desktop.keyboard().press(kEscape);
    clickSkip();
    desktop.runUntilIdle();
    desktop.advanceBy(60);
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::skipped});
    EXPECT_EQ(logLines().size(), 2u) << "one line up, one line down";

    // A completion may put up the next screen at once.
    outcomes.clear();
    overlay.show(5, BreakOverlay::prompts()[2], 0, [this](BreakOutcome outcome) {
        outcomes.push_back(outcome);
        if (outcomes.size() == 1) show(8);
    });
    desktop.advanceBy(5.01);
    EXPECT_TRUE(overlay.isShowing());
    EXPECT_EQ(overlay.countdownTexts(), std::vector<std::string>{"00:08"});
    desktop.advanceBy(8);
    EXPECT_EQ(outcomes, (std::vector<BreakOutcome>{BreakOutcome::completed, BreakOutcome::completed}));
}

TEST_F(BreakOverlayTest, FinishedPanelsFadeOutAndAreAlwaysCleanedUp) {
    show(10);
    const auto panel = desktop.panels().onScreen().at(0);
    desktop.advanceBy(10);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(panelsOnScreen(), 1u) << "still fading";
    EXPECT_EQ(overlay.fadingPanelCount(), 1u);
    desktop.advanceBy(0.15);
    EXPECT_NEAR(desktop.panels().alphaOf(*panel), 0.5, 1e-9);
    desktop.advanceBy(0.16);
    EXPECT_EQ(panelsOnScreen(), 0u) << "gone when the fade completes";
    EXPECT_EQ(overlay.fadingPanelCount(), 0u);

    // A new break may go up while the last one still fades; each goes its own way.
    show(1);
    desktop.advanceBy(1);
    show(30);
    EXPECT_EQ(panelsOnScreen(), 2u);
    desktop.advanceBy(0.31);
    EXPECT_EQ(panelsOnScreen(), 1u);
    EXPECT_TRUE(overlay.isShowing());
    overlay.dismiss();

    // Without the fade's completion, the clean-up still comes, 0.6 s after the break ended.
    CompletionlessPanels silent(desktop.panels());
    BreakOverlay other{desktop.queue(), desktop.screens(), silent, desktop.keyboard(), desktop.mouse(),
                       desktop.platform().textMeasurer};
    show(5, 0, &other);
    desktop.advanceBy(5);
    desktop.advanceBy(0.59);
    EXPECT_EQ(panelsOnScreen(), 1u);
    desktop.advanceBy(0.02);
    EXPECT_EQ(panelsOnScreen(), 0u);
    EXPECT_EQ(other.fadingPanelCount(), 0u);

    // An overlay that goes away takes its fading panels with it, and nothing of it runs later.
    {
        BreakOverlay shortLived{desktop.queue(), desktop.screens(), desktop.panels(), desktop.keyboard(),
                                desktop.mouse(), desktop.platform().textMeasurer};
        show(1, 0, &shortLived);
        desktop.advanceBy(1);
        show(20, 0, &shortLived);
        desktop.keyboard().press(kEscape);  // its handling is queued, not yet run
        EXPECT_EQ(panelsOnScreen(), 2u);
    }
    EXPECT_EQ(panelsOnScreen(), 0u);
    EXPECT_EQ(desktop.mouse().localMonitorCount(), 0u);
    EXPECT_EQ(desktop.keyboard().tapCount(), 0u);
    const std::size_t reports = outcomes.size();
    desktop.advanceBy(30);
    EXPECT_EQ(outcomes.size(), reports);
}

TEST_F(BreakOverlayTest, WithoutADisplayTheBreakCompletesAtOnce) {
    desktop.screens().setScreens({});
    show(20, 5.0);
    EXPECT_EQ(outcomes, std::vector<BreakOutcome>{BreakOutcome::completed}) << "reported from inside show";
    EXPECT_FALSE(overlay.isShowing());
    EXPECT_FALSE(overlay.keyTap().isArmed());
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Breaks: screen up on 0 display(s) for 20s",
                                                    "Breaks: screen down after 0s — completed"}));
    const std::size_t before = deliveredKeys();
    desktop.keyboard().press(code("a"));
    EXPECT_EQ(deliveredKeys(), before + 2);
    desktop.advanceBy(30);
    EXPECT_EQ(outcomes.size(), 1u);
}

// The card's layout, measured with the real text measurer.
class BreakOverlayCard : public ::testing::Test {
protected:
    host::PangoTextMeasurer measurer;
};

TEST_F(BreakOverlayCard, FramesFollowFromTheMeasuredHeights) {
    for (const auto& copy : BreakOverlay::prompts()) {
        const BreakCard card(copy.title, copy.body, "00:00", measurer);
        const double titleH = std::ceil(measurer.measureWrapped(copy.title, BreakCard::kTitleFont, 248, 0).height);
        const double bodyH = std::ceil(measurer.measureWrapped(copy.body, BreakCard::kBodyFont, 248, 3).height);
        const double countH = std::ceil(measurer.measure("00:00", BreakCard::kCountdownFont).height);
        const double hintH = std::ceil(measurer.measureWrapped(BreakCard::kHint, BreakCard::kHintFont, 248, 0).height);
        const PillButton& skip = card.skipButton();
        const PillButton& snooze = card.snoozeButton();
        const double pillH = skip.frame.height();
        EXPECT_EQ(card.height(), 30 + titleH + 9 + bodyH + 16 + 1 + 16 + countH + 20 + pillH + 12 + hintH + 30);

        // From the top: title, body, divider, countdown, pills and hint, each at its distance.
        EXPECT_EQ(card.titleFrame(), Rect(26, card.height() - 30 - titleH, 248, titleH));
        EXPECT_EQ(card.bodyFrame(), Rect(26, card.titleFrame().minY() - 9 - bodyH, 248, bodyH));
        EXPECT_EQ(card.dividerFrame(), Rect(130, card.bodyFrame().minY() - 17, 40, 1));
        EXPECT_EQ(card.countdownFrame(), Rect(26, card.dividerFrame().minY() - 16 - countH, 248, countH));
        EXPECT_EQ(skip.frame.maxY(), card.countdownFrame().minY() - 20);
        EXPECT_EQ(card.hintFrame(), Rect(26, 30, 248, hintH));
        EXPECT_EQ(card.hintFrame().maxY(), skip.frame.minY() - 12);

        // The pills: sized from their titles (the skip pill fits "End Break" too), a pair centred
        // with a gap of 10, rounded into capsules.
        const Size skipText = measurer.measure("Skip Break", PillButton::kFont);
        const Size endText = measurer.measure("End Break", PillButton::kFont);
        const Size snoozeText = measurer.measure("Snooze 5m", PillButton::kFont);
        EXPECT_EQ(pillH, std::ceil(std::max({skipText.height, endText.height, snoozeText.height})) + 18);
        EXPECT_EQ(skip.frame.width(), std::ceil(std::max(skipText.width, endText.width)) + 44);
        EXPECT_EQ(snooze.frame, Rect(skip.frame.maxX() + 10, skip.frame.minY(), std::ceil(snoozeText.width) + 44, pillH));
        EXPECT_DOUBLE_EQ(skip.frame.minX(), 300 - snooze.frame.maxX());
        EXPECT_EQ(skip.cornerRadius, pillH / 2);
        EXPECT_EQ(snooze.cornerRadius, pillH / 2);
    }
}

TEST_F(BreakOverlayCard, WrappedTextBreaksBetweenWordsWithinItsWidth) {
    const Font body = BreakCard::kBodyFont;
    const double line = measurer.measure("Blink", body).height;
    const std::string text = BreakOverlay::prompts()[0].body;

    const Size wide = measurer.measureWrapped(text, body, 1000, 3);
    EXPECT_DOUBLE_EQ(wide.height, line) << "one line where it fits: no spacing below it";
    EXPECT_DOUBLE_EQ(wide.width, measurer.measure(text, body).width);

    const Size narrow = measurer.measureWrapped(text, body, 248, 0);
    const int lines = static_cast<int>(std::lround(narrow.height / line));
    EXPECT_GE(lines, 2);
    EXPECT_LE(narrow.width, 248);
    EXPECT_NEAR(measurer.measureWrapped(text, body, 248, 3).height, narrow.height + 3 * (lines - 1), 1e-6)
        << "line spacing goes between lines only";

    const Size word = measurer.measureWrapped(std::string(80, 'W'), body, 100, 0);
    EXPECT_LE(word.width, 100) << "a word wider than the width is broken inside";
    EXPECT_GT(word.height, 3 * line);

    // Nonsense widths and spacing measure safely.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double width : {0.0, -5.0, nan, 1e9}) EXPECT_EQ(measurer.measureWrapped(text, body, width, 0), Size{});
    EXPECT_EQ(measurer.measureWrapped(text, body, 248, nan), narrow);
    EXPECT_EQ(measurer.measureWrapped(text, body, 248, -10), narrow);
    EXPECT_DOUBLE_EQ(measurer.measure(text, body).width, wide.width) << "one-line measuring is unaffected";
}

TEST_F(BreakOverlayCard, RendersWithWrappedText) {
    const auto& copy = BreakOverlay::prompts()[0];
    BreakCard card(copy.title, copy.body, "01:05", measurer);
    const test::Image image = test::Image::of(card.drawing(), 2);
    ASSERT_EQ(image.width, 600);
    const test::Pixel plate = image.fromBottom(20, static_cast<int>(card.height()));
    EXPECT_NEAR(plate.r, 20, 1);
    EXPECT_NEAR(plate.b, 22, 1);
    EXPECT_NEAR(plate.a, 0.92 * 255, 1);

    // Bright text pixels in the body's rows (image rows from the top, two pixels a point) within
    // columns [x0, x1).
    const Rect body = card.bodyFrame();
    auto textIn = [&](double fromTop, double toTop, int x0, int x1) {
        int count = 0;
        for (int y = static_cast<int>(fromTop * 2); y < static_cast<int>(toTop * 2); ++y)
            for (int x = x0; x < x1; ++x) count += image.at(x, y).r > 120;
        return count;
    };
    const double top = card.height() - body.maxY(), middle = card.height() - body.midY();
    EXPECT_GT(textIn(top, middle, 52, 548), 0);
    EXPECT_GT(textIn(middle, top + body.height(), 52, 548), 0) << "the body's second line is drawn";
    EXPECT_EQ(textIn(top, top + body.height(), 0, 52) + textIn(top, top + body.height(), 548, 600), 0)
        << "nothing runs out of the text column";

    const test::TempDir dir;
    EXPECT_TRUE(host::CairoRenderer::renderPNG(card.drawing(), 2, dir.path() / "card.png").ok());
    EXPECT_GT(std::filesystem::file_size(dir.path() / "card.png"), 1000u);
}

}  // namespace
}  // namespace tarnlet
