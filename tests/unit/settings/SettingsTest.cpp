#include "settings/Settings.h"

#include <gtest/gtest.h>

#include "platform/sim/SimDefaults.h"
#include "settings/SettingsKeys.h"

namespace tarnlet {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    sim::SimDefaults suites;
    Settings settings{suites.standard(), suites, "app.tarnletapp.Tarnlet"};
    int notifications = 0;

    void SetUp() override {
        settings.addObserver([this] { ++notifications; });
    }
};

TEST_F(SettingsTest, RegisteredDefaultsAnswerWithoutBeingStored) {
    EXPECT_EQ(SettingsKeys::registered().size(), 57u);
    EXPECT_EQ(SettingsKeys::registered().front().key, "sweep.isEnabled");
    EXPECT_EQ(SettingsKeys::registered().back().key, "autoQuit.minutes");
    EXPECT_DOUBLE_EQ(settings.number("sweep.delay"), 2.0);
    EXPECT_EQ(settings.string("autoQuit.listMode"), "onlyListed");
    EXPECT_TRUE(settings.boolean("snap.keyboardShortcuts"));
    EXPECT_EQ(settings.integer("breaks.workIntervalMinutes"), 20);
    EXPECT_TRUE(suites.standard().storedValues().empty());
}

TEST_F(SettingsTest, WritesNotifyOnlyOnRealChange) {
    settings.set("snap.isEnabled", false);  // equal to its registered default
    EXPECT_EQ(notifications, 0);
    settings.set("snap.isEnabled", true);
    EXPECT_EQ(notifications, 1);
    settings.set("snap.isEnabled", true);
    EXPECT_EQ(notifications, 1);
    // A boolean and a number are one kind: 1 equals true.
    settings.set("snap.isEnabled", 1);
    EXPECT_EQ(notifications, 1);
    settings.set("sweep.delay", 2);  // 2 equals the default 2.0
    EXPECT_EQ(notifications, 1);
    // A key with no value at all notifies on its first write.
    settings.set("jump.ignored", Value::array());
    EXPECT_EQ(notifications, 2);
}

TEST_F(SettingsTest, ObserversRunInRegistrationOrderAndCanBeRemoved) {
    std::vector<int> calls;
    settings.addObserver([&] { calls.push_back(1); });
    const Uuid second = settings.addObserver([&] { calls.push_back(2); });
    settings.addObserver([&] { calls.push_back(3); });
    settings.set("focus.isEnabled", true);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
    settings.removeObserver(second);
    settings.set("focus.isEnabled", false);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3, 1, 3}));
}

TEST_F(SettingsTest, ProfileTwoStartsEmptyAndProfileOneSurvivesTheRoundTrip) {
    settings.set("snap.isEnabled", true);
    settings.set("focus.alpha", 0.5);
    notifications = 0;

    settings.setProfile(Settings::Profile::two);
    EXPECT_EQ(settings.profile(), Settings::Profile::two);
    EXPECT_EQ(notifications, 1);
    EXPECT_FALSE(settings.boolean("snap.isEnabled"));
    EXPECT_DOUBLE_EQ(settings.number("focus.alpha"), 0.3);
    EXPECT_EQ(suites.standard().integer(Settings::kActiveProfileKey), 2);

    settings.set("jump.isEnabled", true);
    settings.setProfile(Settings::Profile::one);
    EXPECT_EQ(notifications, 3);
    EXPECT_TRUE(settings.boolean("snap.isEnabled"));
    EXPECT_DOUBLE_EQ(settings.number("focus.alpha"), 0.5);
    EXPECT_FALSE(settings.boolean("jump.isEnabled"));
    EXPECT_TRUE(suites.suite("app.tarnletapp.Tarnlet.profile2")->boolean("jump.isEnabled"));
}

TEST_F(SettingsTest, SelectingTheActiveProfileChangesNothing) {
    settings.setProfile(Settings::Profile::one);
    EXPECT_EQ(notifications, 0);
    EXPECT_FALSE(suites.standard().storedObject(Settings::kActiveProfileKey).has_value());
}

TEST(SettingsProfiles, TheStoredSelectorPicksTheStoreAtConstruction) {
    sim::SimDefaults suites;
    suites.standard().set(Settings::kActiveProfileKey, 2);
    suites.suite("Tarnlet.profile2")->set("snap.isEnabled", true);
    Settings settings(suites.standard(), suites, "Tarnlet");
    EXPECT_EQ(settings.profile(), Settings::Profile::two);
    EXPECT_TRUE(settings.boolean("snap.isEnabled"));
    // The registration domain of profile two answers as well.
    EXPECT_EQ(settings.integer("notch.maxHintItems"), 8);
}

TEST(SettingsProfiles, AnUnknownSelectorMeansProfileOne) {
    sim::SimDefaults suites;
    suites.standard().set(Settings::kActiveProfileKey, 7);
    Settings settings(suites.standard(), suites, "Tarnlet");
    EXPECT_EQ(settings.profile(), Settings::Profile::one);
    EXPECT_EQ(Settings::profileFromRaw(7), std::nullopt);
    EXPECT_EQ(Settings::profileFromRaw(2), Settings::Profile::two);
}

TEST(SettingsProfiles, ARefusedProfileTwoStoreFallsBackToTheRootStore) {
    sim::SimDefaults suites;
    suites.refuseSuite("Tarnlet.profile2");
    Settings settings(suites.standard(), suites, "Tarnlet");
    settings.set("snap.isEnabled", true);
    settings.setProfile(Settings::Profile::two);
    EXPECT_EQ(settings.profile(), Settings::Profile::two);
    EXPECT_TRUE(settings.boolean("snap.isEnabled"));  // both profiles share one store
    EXPECT_EQ(&settings.defaults(), &suites.standard());
}

TEST_F(SettingsTest, DerivedReadersClamp) {
    settings.set("notch.maxHintItems", 1);
    EXPECT_EQ(settings.notchMaxHintItems(), 2);
    settings.set("notch.maxHintItems", 50);
    EXPECT_EQ(settings.notchMaxHintItems(), 20);
    settings.set("notch.maxHintItems", 9);
    EXPECT_EQ(settings.notchMaxHintItems(), 9);
    settings.set("autoQuit.minutes", 0);
    EXPECT_EQ(settings.autoQuitMinutes(), 1);
    settings.set("autoQuit.minutes", -5);
    EXPECT_EQ(settings.autoQuitMinutes(), 1);
    settings.set("sweep.delay", 3.5);
    EXPECT_DOUBLE_EQ(settings.quitDelay(), 3.5);
}

TEST_F(SettingsTest, SpaceFeedbackMapsOntoTwoFlags) {
    EXPECT_EQ(settings.spaceFeedback(), Settings::SpaceFeedback::notch);
    settings.setSpaceFeedback(Settings::SpaceFeedback::onScreen);
    EXPECT_FALSE(settings.boolean("notch.spaceNumber"));
    EXPECT_TRUE(settings.boolean("swipe.showsOSD"));
    EXPECT_EQ(settings.spaceFeedback(), Settings::SpaceFeedback::onScreen);
    settings.setSpaceFeedback(Settings::SpaceFeedback::none);
    EXPECT_EQ(settings.spaceFeedback(), Settings::SpaceFeedback::none);
    // The notch wins whatever the on-screen flag says.
    settings.set("notch.spaceNumber", true);
    EXPECT_EQ(settings.spaceFeedback(), Settings::SpaceFeedback::notch);
}

TEST_F(SettingsTest, ListModeChoosesWhereTheSweepListLives) {
    settings.setListedApps({"com.b", "com.a"});
    EXPECT_EQ(settings.object("sweep.listedApps"), Value({"com.a", "com.b"}));  // stored sorted
    settings.set("sweep.listMode", "onlyListed");
    EXPECT_TRUE(settings.listedApps().empty());
    settings.setListedApps({"com.only"});
    EXPECT_EQ(settings.object("sweep.onlyListedApps"), Value({"com.only"}));
    settings.set("sweep.listMode", "excludeListed");
    EXPECT_EQ(settings.listedApps(), (std::set<std::string>{"com.a", "com.b"}));
}

TEST_F(SettingsTest, AutoQuitListModeIsTheMirrorImage) {
    settings.setAutoQuitApps({"com.x"});
    EXPECT_EQ(settings.object("autoQuit.apps"), Value({"com.x"}));
    settings.set("autoQuit.listMode", "excludeListed");
    EXPECT_TRUE(settings.autoQuitApps().empty());
    settings.setAutoQuitApps({"com.y"});
    EXPECT_EQ(settings.object("autoQuit.excludedApps"), Value({"com.y"}));
}

TEST_F(SettingsTest, TogglingTwiceRestoresTheList) {
    settings.setAwakeTriggerApps({"com.keynote"});
    settings.toggleTriggerApp("com.zoom");
    EXPECT_EQ(settings.awakeTriggerApps(), (std::set<std::string>{"com.keynote", "com.zoom"}));
    settings.toggleTriggerApp("com.zoom");
    EXPECT_EQ(settings.awakeTriggerApps(), (std::set<std::string>{"com.keynote"}));
    settings.toggleBreaksExcludedApp("com.game");
    settings.toggleClipboardExcludedApp("com.vault");
    EXPECT_EQ(settings.breaksExcludedApps(), (std::set<std::string>{"com.game"}));
    EXPECT_EQ(settings.clipboardExcludedApps(), (std::set<std::string>{"com.vault"}));
}

TEST_F(SettingsTest, ListReadersSkipWhatIsNotText) {
    settings.set("jump.ignored", Value::parse(R"(["com.a", 3, null, "com.b"])"));
    EXPECT_EQ(settings.jumpIgnored(), (std::set<std::string>{"com.a", "com.b"}));
    settings.set("jump.ignored", "not a list");
    EXPECT_TRUE(settings.jumpIgnored().empty());
}

TEST_F(SettingsTest, JumpForcedKeepsOneLetterPerAppAndOneAppPerLetter) {
    settings.set("jump.forced", Value::parse(R"({"safari": "com.apple.Safari", "": "com.empty", "m": 4})"));
    EXPECT_EQ(settings.jumpForced(), (std::map<std::string, std::string>{{"s", "com.apple.Safari"}}));

    settings.setJumpForced("x", "com.apple.Safari");  // moves Safari from s to x
    EXPECT_EQ(settings.jumpForced(), (std::map<std::string, std::string>{{"x", "com.apple.Safari"}}));
    settings.setJumpForced("x", "com.xcode");  // takes x over
    EXPECT_EQ(settings.jumpForced(), (std::map<std::string, std::string>{{"x", "com.xcode"}}));
    settings.setJumpForced("é", "com.editor");  // a letter beyond ASCII stays whole
    EXPECT_EQ(settings.jumpForced().at("é"), "com.editor");
    settings.setJumpForced(std::nullopt, "com.xcode");  // unpins
    EXPECT_EQ(settings.jumpForced(), (std::map<std::string, std::string>{{"é", "com.editor"}}));
}

}  // namespace
}  // namespace tarnlet
