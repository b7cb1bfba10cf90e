#include "keys/FeatureChords.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "keys/LeaderWatcher.h"
#include "keys/ModifierWatcher.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

class FeatureChordsTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    ModifierWatcher modifiers{desktop.keyboard()};
    LeaderWatcher watcher{modifiers, desktop.keyboard(), desktop.queue()};
    FeatureChords chords{settings, watcher, desktop.queue()};
    std::vector<std::string> events;

    FeatureChordsTest() {
        chords.onHintPress = [this](const std::string& key) { events.push_back("pulse " + key); };
        chords.onMediaKey = [this](MediaKey key) { events.push_back("media " + std::to_string(key.kind())); };
        chords.onSnippetPicker = [this] { events.push_back("snippets"); };
        chords.registerAction([this](FeatureChords::Key key) { events.push_back("action " + std::string(FeatureChords::rawValue(key))); });
    }

    std::vector<std::string> badges() const {
        std::vector<std::string> out;
        for (const auto& item : chords.hintItems()) out.push_back(item.badge.value_or("?"));
        return out;
    }
};

TEST_F(FeatureChordsTest, LiveKeysFollowTheToolSwitches) {
    EXPECT_EQ(badges(), (std::vector<std::string>{"A", "F", "B", "~", "1", "2"}));
    // A key nothing answers is neither hinted nor claimed.
    chords.hasAction = [](FeatureChords::Key key) { return key != FeatureChords::Key::focus; };
    EXPECT_EQ(badges(), (std::vector<std::string>{"A", "B", "~", "1", "2"}));
    EXPECT_FALSE(chords.handle(Leader::feature, "f"));
    chords.hasAction = [](FeatureChords::Key) { return true; };
    settings.set("shelf.isEnabled", true);
    settings.set("clipboard.isEnabled", true);
    EXPECT_EQ(badges(), (std::vector<std::string>{"A", "F", "S", "B", "C", "~", "1", "2"}));
    settings.set("notch.featureHints", false);
    EXPECT_TRUE(chords.hintItems().empty());
    EXPECT_EQ(chords.liveKeys().size(), 8u);  // the keys still work without their hints
}

TEST_F(FeatureChordsTest, HintItemsCarryThePaneIconsAndProfileSymbols) {
    const auto items = chords.hintItems();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].icon->name, SettingsPanes::icon(SettingsPane::awake));
    EXPECT_EQ(items[4].icon, (Image::symbol("1.square", "Settings profile")));
    EXPECT_EQ(items[5].icon, (Image::symbol("2.square", "Settings profile")));
    EXPECT_FALSE(items[0].text);
    EXPECT_EQ(items[0].effectivePulseKey(), "A");
}

TEST_F(FeatureChordsTest, FeatureKeysRunTheirActionsOnTheNextTurn) {
    settings.set("ocr.isEnabled", true);
    EXPECT_TRUE(chords.handle(Leader::feature, "t"));  // matching ignores case
    EXPECT_TRUE(events.empty());
    desktop.runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string>{"pulse T", "action ocr"}));
}

TEST_F(FeatureChordsTest, KeysOfSwitchedOffToolsAreNotClaimed) {
    EXPECT_FALSE(chords.handle(Leader::feature, "s"));
    EXPECT_FALSE(chords.handle(Leader::feature, "0"));
    EXPECT_FALSE(chords.handle(Leader::feature, "j"));
    EXPECT_TRUE(chords.handle(Leader::feature, "~"));
    EXPECT_TRUE(chords.handle(Leader::feature, "2"));
    desktop.runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string>{"pulse ~", "action settings", "pulse 2", "action profile2"}));
}

TEST_F(FeatureChordsTest, MediaKeysAreClaimedOnlyWhileNowPlayingIsLive) {
    EXPECT_FALSE(chords.handle(Leader::command, ","));
    chords.isNowPlayingLive = [] { return true; };
    EXPECT_TRUE(chords.handle(Leader::command, ","));
    EXPECT_TRUE(chords.handle(Leader::command, "/"));
    EXPECT_TRUE(chords.handle(Leader::command, "."));
    EXPECT_FALSE(chords.handle(Leader::command, "j"));  // letters go on to Jump
    desktop.runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string>{"media 0", "media 1", "media 2"}));
}

TEST_F(FeatureChordsTest, TheColonOpensSnippetsOnlyWhileSnippetsIsLive) {
    EXPECT_FALSE(chords.handle(Leader::command, ":"));
    chords.isSnippetsLive = [] { return true; };
    EXPECT_TRUE(chords.handle(Leader::command, ":"));
    EXPECT_FALSE(chords.handle(Leader::option, ":"));
    EXPECT_FALSE(chords.handle(Leader::option, "a"));
    desktop.runUntilIdle();
    EXPECT_EQ(events, std::vector<std::string>{"snippets"});
}

TEST_F(FeatureChordsTest, TheWholeChordOnTheKeyboard) {
    auto key = [](const char* name) { return *sim::SimKeyboard::keyCode(name); };
    auto& keyboard = desktop.keyboard();
    keyboard.keyDown(key("rcmd"));
    keyboard.keyDown(key("ropt"));
    keyboard.press(key("f"));
    keyboard.press(key("s"));  // the shelf is off: the key reaches the application
    keyboard.keyUp(key("ropt"));
    keyboard.keyUp(key("rcmd"));
    desktop.runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string>{"pulse F", "action focus"}));
    std::vector<std::string> received;
    for (const auto& d : keyboard.delivered())
        if (d.event.isKey()) received.push_back(sim::SimKeyboard::keyName(d.event.keyCode));
    EXPECT_EQ(received, (std::vector<std::string>{"s", "s"}));
}

TEST_F(FeatureChordsTest, DestroyedChordsLeaveTheWatcher) {
    {
        FeatureChords second(settings, watcher, desktop.queue());
        second.registerAction([](FeatureChords::Key) {});
    }
    EXPECT_TRUE(watcher.hasConsumers());  // the fixture's chords remain
    EXPECT_TRUE(chords.handle(Leader::feature, "a"));
}

TEST(FeatureChordsTable, ChordLabelsAndGroups) {
    EXPECT_EQ(FeatureChords::chords(SettingsPane::awake), std::vector<std::string>{"r⌘ r⌥ A"});
    EXPECT_EQ(FeatureChords::chords(SettingsPane::general),
              (std::vector<std::string>{"r⌘ r⌥ ~", "r⌘ r⌥ 1", "r⌘ r⌥ 2"}));
    EXPECT_TRUE(FeatureChords::chords(SettingsPane::colorPicker).empty());
    EXPECT_EQ(FeatureChords::groupDescription(FeatureChords::Kind::toggle), "A Awake · F Focus · B Breaks");
    EXPECT_EQ(FeatureChords::groupDescription(FeatureChords::Kind::opener), "S Shelf · T OCR · C Clipboard");
    EXPECT_EQ(FeatureChords::groupDescription(FeatureChords::Kind::other), "~ General · 1 General · 2 General");
    EXPECT_EQ(MediaKey::from(","), MediaKey::previous);
    EXPECT_EQ(MediaKey::from("/"), MediaKey::playPause);
    EXPECT_EQ(MediaKey::from("."), MediaKey::next);
    EXPECT_EQ(MediaKey::from(";"), std::nullopt);
}

}  // namespace
}  // namespace tarnlet
