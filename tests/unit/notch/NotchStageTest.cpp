#include "notch/NotchStage.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tarnlet {
namespace {

std::string nameOf(NotchSource source) {
    switch (source) {
        case NotchSource::nowPlaying: return "nowPlaying";
        case NotchSource::shelfBridge: return "shelfBridge";
        case NotchSource::liveChip: return "liveChip";
        case NotchSource::chip: return "chip";
        case NotchSource::shelfCue: return "shelfCue";
        case NotchSource::hints: return "hints";
    }
    return "?";
}

// A stage whose every source records what it is told, as "chip+" / "chip-".
class NotchStageTest : public ::testing::Test {
protected:
    NotchStageTest() {
        for (int raw = 0; raw <= 5; ++raw) record(*notchSourceFromRaw(raw));
    }

    void record(NotchSource source, std::function<void(bool)> also = {}) {
        stage.setHandler(source, [this, source, also](bool visible) {
            told.push_back(nameOf(source) + (visible ? "+" : "-"));
            if (also) also(visible);
        });
    }

    std::vector<std::string> take() { return std::exchange(told, {}); }

    NotchStage stage;
    std::vector<std::string> told;
};

TEST(NotchSourceTest, RawValuesFollowThePriorityOrder) {
    EXPECT_EQ(notchSourceFromRaw(0), NotchSource::nowPlaying);
    EXPECT_EQ(notchSourceFromRaw(3), NotchSource::chip);
    EXPECT_EQ(notchSourceFromRaw(5), NotchSource::hints);
    EXPECT_EQ(notchSourceFromRaw(-1), std::nullopt);
    EXPECT_EQ(notchSourceFromRaw(6), std::nullopt);

    NotchArbiter arbiter;
    EXPECT_EQ(arbiter.winner(), std::nullopt);
    arbiter.claims = {NotchSource::shelfCue, NotchSource::nowPlaying, NotchSource::liveChip};
    EXPECT_EQ(arbiter.winner(), NotchSource::shelfCue);
    arbiter.takeovers.insert(NotchTakeover::shelfExpanded);
    EXPECT_EQ(arbiter.winner(), std::nullopt);
}

TEST_F(NotchStageTest, TheHighestClaimIsShownAndTheLoserHearsFirst) {
    EXPECT_TRUE(stage.claim(NotchSource::nowPlaying));
    EXPECT_TRUE(stage.claim(NotchSource::chip));
    EXPECT_EQ(take(), (std::vector<std::string>{"nowPlaying+", "nowPlaying-", "chip+"}));
    EXPECT_EQ(stage.shown(), NotchSource::chip);

    EXPECT_TRUE(stage.release(NotchSource::chip));
    EXPECT_EQ(take(), (std::vector<std::string>{"chip-", "nowPlaying+"}));
    EXPECT_EQ(stage.shown(), NotchSource::nowPlaying);

    EXPECT_TRUE(stage.release(NotchSource::nowPlaying));
    EXPECT_EQ(take(), (std::vector<std::string>{"nowPlaying-"}));
    EXPECT_EQ(stage.shown(), std::nullopt);
}

TEST_F(NotchStageTest, ClaimsThatDoNotChangeTheWinnerTellNobody) {
    stage.claim(NotchSource::chip);
    take();
    // Already claimed, lower than the shown one, or releasing what was never claimed.
    EXPECT_FALSE(stage.claim(NotchSource::chip));
    EXPECT_FALSE(stage.claim(NotchSource::nowPlaying));
    EXPECT_FALSE(stage.release(NotchSource::hints));
    // Releasing a hidden lower claim changes nothing on screen either.
    EXPECT_FALSE(stage.release(NotchSource::nowPlaying));
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(stage.arbiter().claims, (std::set<NotchSource>{NotchSource::chip}));
}

TEST_F(NotchStageTest, ATakeoverHidesEverythingAndTheClaimsComeBackAfterIt) {
    stage.claim(NotchSource::liveChip);
    stage.claim(NotchSource::hints);
    take();

    EXPECT_TRUE(stage.claim(NotchTakeover::ocrPrompt));
    EXPECT_EQ(take(), (std::vector<std::string>{"hints-"}));
    EXPECT_EQ(stage.shown(), std::nullopt);
    EXPECT_TRUE(stage.hasTakeover());

    // Under a takeover, claims are recorded but nobody is shown.
    EXPECT_FALSE(stage.claim(NotchSource::shelfCue));
    EXPECT_FALSE(stage.claim(NotchTakeover::shelfExpanded));
    EXPECT_FALSE(stage.release(NotchTakeover::ocrPrompt));
    EXPECT_FALSE(stage.release(NotchSource::shelfCue));
    EXPECT_TRUE(take().empty());

    EXPECT_TRUE(stage.release(NotchTakeover::shelfExpanded));
    EXPECT_FALSE(stage.hasTakeover());
    EXPECT_EQ(take(), (std::vector<std::string>{"hints+"}));
    EXPECT_EQ(stage.shown(), NotchSource::hints);
}

TEST_F(NotchStageTest, HandlersMayChangeTheClaimsWhileBeingTold) {
    // The chip's owner brings up the hint strip as soon as it gets the notch.
    record(NotchSource::chip, [this](bool visible) {
        if (visible) {
            EXPECT_TRUE(stage.claim(NotchSource::hints));
        }
    });
    EXPECT_TRUE(stage.claim(NotchSource::chip));
    EXPECT_EQ(take(), (std::vector<std::string>{"chip+", "chip-", "hints+"}));
    EXPECT_EQ(stage.shown(), NotchSource::hints);

    // A source dropping another claim as it loses the notch: the stage keeps the changed claims and
    // shows the right winner once the takeover ends.
    record(NotchSource::hints, [this](bool visible) {
        if (!visible) stage.release(NotchSource::chip);
    });
    stage.claim(NotchSource::nowPlaying);
    take();
    EXPECT_TRUE(stage.claim(NotchTakeover::ocrPrompt));
    EXPECT_TRUE(stage.release(NotchTakeover::ocrPrompt));
    EXPECT_EQ(take(), (std::vector<std::string>{"hints-", "hints+"}));
    EXPECT_EQ(stage.arbiter().claims,
              (std::set<NotchSource>{NotchSource::nowPlaying, NotchSource::hints}));
}

TEST_F(NotchStageTest, HandlersThatKeepFlippingStopAfterSevenPasses) {
    // The chip claims the hints on getting the notch, the hints give it straight back: forever,
    // were it not for the bound on the passes of one settle.
    record(NotchSource::chip, [this](bool visible) {
        if (visible) stage.claim(NotchSource::hints);
    });
    record(NotchSource::hints, [this](bool visible) {
        if (visible) stage.release(NotchSource::hints);
    });
    EXPECT_TRUE(stage.claim(NotchSource::chip));
    const std::vector<std::string> expected = {"chip+",  "chip-", "hints+", "hints-", "chip+", "chip-",
                                               "hints+", "hints-", "chip+", "chip-", "hints+", "hints-",
                                               "chip+"};
    EXPECT_EQ(take(), expected);
    // The last pass showed the chip, whose handler claimed the hints once more.
    EXPECT_EQ(stage.shown(), NotchSource::chip);
    EXPECT_EQ(stage.arbiter().winner(), NotchSource::hints);

    // The stage is not stuck: the next change settles again.
    record(NotchSource::chip);
    record(NotchSource::hints);
    EXPECT_TRUE(stage.release(NotchSource::hints));
    EXPECT_TRUE(take().empty());  // the chip is already shown
    EXPECT_EQ(stage.shown(), NotchSource::chip);
}

TEST_F(NotchStageTest, SourcesWithoutAHandlerAreSkippedSilently) {
    stage.setHandler(NotchSource::liveChip, {});
    stage.claim(NotchSource::liveChip);
    EXPECT_EQ(stage.shown(), NotchSource::liveChip);
    stage.claim(NotchSource::shelfCue);
    EXPECT_EQ(take(), (std::vector<std::string>{"shelfCue+"}));

    // A handler may replace itself while it runs.
    int replaced = 0;
    record(NotchSource::shelfCue, [&](bool) { stage.setHandler(NotchSource::shelfCue, [&](bool) { ++replaced; }); });
    stage.release(NotchSource::shelfCue);
    EXPECT_EQ(take(), (std::vector<std::string>{"shelfCue-"}));
    stage.claim(NotchSource::shelfCue);
    EXPECT_EQ(replaced, 1);
}

}  // namespace
}  // namespace tarnlet
