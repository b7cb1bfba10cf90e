#include <gtest/gtest.h>

#include "clipboard/ClipboardFeature.h"
#include "clipboard/SnippetsFeature.h"
#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"
#include "settings/Settings.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

using Strings = std::vector<std::string>;

class SnippetsFeatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_logFolder = FileLog::directory();
        FileLog::setDirectory(env.home() / "Logs");
        Log::setSystemLog(&desktop.systemLog());
        Log::setDebugEnabled(true);
        desktop.keyboard().setFrontApplication("com.example.editor");
        snippets.onCopiedWithoutPaste = [this] { ++copiedOnly; };
    }
    void TearDown() override {
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
        FileLog::setDirectory(m_logFolder);
    }
    // Saves the snippets and starts the tool with the picker open.
    void open(const std::vector<std::pair<std::string, std::string>>& stored) {
        for (const auto& [trigger, body] : stored) snippets.store().save(Snippet::make(trigger, body));
        snippets.activate();
        snippets.showPicker();
    }
    std::uint16_t code(const char* name) const { return *sim::SimKeyboard::keyCode(name); }
    void press(const char* key) {
        desktop.keyboard().press(code(key));
        desktop.runUntilIdle();
    }
    void type(const std::string& letters) {
        for (char c : letters) press(std::string(1, c).c_str());
    }
    Strings triggers() const {
        Strings out;
        for (const auto& s : snippets.visible()) out.push_back(s.trigger);
        return out;
    }
    Strings pasted() const {
        Strings out;
        for (const auto& p : desktop.keyboard().pasted()) out.push_back(p.text);
        return out;
    }
    // What the front application received, as key names with ↓ for down and ↑ for up.
    Strings delivered() const {
        Strings out;
        for (const auto& d : desktop.keyboard().delivered())
            out.push_back(sim::SimKeyboard::keyName(d.event.keyCode) + (d.event.type == EventType::keyDown ? "↓" : "↑"));
        return out;
    }
    bool logged(const std::string& text) const {
        for (const auto& line : desktop.systemLog().lines())
            if (line.text == text) return true;
        return false;
    }

    test::TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    Settings settings{desktop.defaults().standard(), desktop.defaults(), "Tarnlet"};
    SnippetsFeature snippets{settings,
                             SnippetsFeature::Services{desktop.keyboard(), desktop.pasteboard(), desktop.permissions(),
                                                       desktop.workspace(), desktop.mouse(), desktop.panels(),
                                                       desktop.screens(), desktop.platform().textMeasurer,
                                                       desktop.queue(), desktop.systemFacts(), env.home() / "Support"}};
    int copiedOnly = 0;
    std::filesystem::path m_logFolder;
};

TEST_F(SnippetsFeatureTest, TypingRanksAndDeleteEditsTheQuery) {
    open({{"design", "Layout notes"}, {"note", "a sig here"}, {"signature", "Best regards,\nAda"}, {"zzz", "x"}});
    EXPECT_TRUE(logged("Snippets activated (4 saved)"));
    EXPECT_EQ(triggers(), (Strings{"design", "note", "signature", "zzz"}));
    const auto view = snippets.menu().content();
    EXPECT_EQ(view->items()[2], (ListMenuItem{std::nullopt, ":signature", "Best regards,", "text.append", true}));
    EXPECT_EQ(view->header().line(), "type to search…");
    EXPECT_EQ(view->footer(), (Strings{"↑↓ move", "⏎ insert", "esc"}));
    EXPECT_EQ(view->visibleRows(), 6);

    type("sig");
    EXPECT_EQ(triggers(), (Strings{"signature", "design", "note"}));
    EXPECT_EQ(snippets.menu().content()->header().line(), "sig▌");
    EXPECT_TRUE(delivered().empty()) << "typed letters never reach the application";

    press("down");
    press("down");
    press("down");
    EXPECT_EQ(snippets.highlighted(), 2) << "clamped at the last match";
    press("delete");
    press("delete");
    EXPECT_EQ(snippets.query(), "s");
    EXPECT_EQ(snippets.highlighted(), 0);
    EXPECT_EQ(triggers(), (Strings{"signature", "design", "note"}));
    press("up");
    EXPECT_EQ(snippets.highlighted(), 0);
    press("x");
    EXPECT_TRUE(snippets.visible().empty());
    EXPECT_TRUE(snippets.isPickerShowing());

    // A query ending in a character of several bytes loses the whole character.
    EXPECT_EQ(SnippetsFeature::dropLastCharacter("caf\xC3\xA9"), "caf");
    EXPECT_EQ(SnippetsFeature::dropLastCharacter("a\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"), "a");
    EXPECT_FALSE(SnippetsFeature::isTypedCharacter("\xEF\x9C\x84"));  // F1 as the system reports it
    EXPECT_FALSE(SnippetsFeature::isTypedCharacter("ab"));
    EXPECT_FALSE(SnippetsFeature::isTypedCharacter("\xC3"));
    EXPECT_TRUE(SnippetsFeature::isTypedCharacter("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"));
}

TEST_F(SnippetsFeatureTest, HeldReturnInsertsOnceOnReleaseWithTheCaretAtTheMarker) {
    desktop.pasteboard().copy({{PasteboardType::plainText, "Ada"}});
    open({{"hi", "Hi {clipboard}{cursor} ok"}});
    desktop.keyboard().keyDown(code("return"));
    desktop.advanceBy(2);  // the key repeats meanwhile
    EXPECT_TRUE(snippets.isPickerShowing());
    EXPECT_TRUE(pasted().empty());
    desktop.keyboard().keyUp(code("return"));
    EXPECT_FALSE(snippets.isPickerShowing());
    desktop.runUntilIdle();

    EXPECT_EQ(pasted(), Strings{"Hi Ada ok"});
    EXPECT_EQ(delivered(), (Strings{"v↓", "v↑", "left↓", "left↑", "left↓", "left↑", "left↓", "left↑"}));
    for (const auto& d : desktop.keyboard().delivered()) EXPECT_EQ(d.event.userData, kSyntheticEventMarker);
    // The inserted text is marked transient, so the clipboard history does not take it.
    EXPECT_EQ(desktop.pasteboard().string(PasteboardType::transient), "");
    EXPECT_FALSE(ClipboardFeature::isStorable(desktop.pasteboard()));
    EXPECT_EQ(copiedOnly, 0);

    // Keypad Enter inserts too; a body without a marker moves no caret.
    snippets.store().save(Snippet::make("hi", "plain"));
    desktop.keyboard().clearDelivered();
    snippets.showPicker();
    desktop.keyboard().press(SnippetsFeature::kEnter);
    desktop.runUntilIdle();
    EXPECT_EQ(pasted().back(), "plain");
    EXPECT_EQ(delivered(), (Strings{"v↓", "v↑"}));
}

TEST_F(SnippetsFeatureTest, DoubleDeleteOnAnEmptyQueryCloses) {
    open({{"a", "A"}});
    press("delete");
    desktop.advanceBy(1);
    press("delete");
    EXPECT_TRUE(snippets.isPickerShowing()) << "a second apart is no double press";
    desktop.advanceBy(0.5);
    press("delete");
    EXPECT_FALSE(snippets.isPickerShowing());

    // Typing in between starts over; a held Delete that empties the query does not close.
    snippets.showPicker();
    press("delete");
    type("ab");
    desktop.keyboard().keyDown(code("delete"));
    desktop.advanceBy(1.5);
    desktop.keyboard().keyUp(code("delete"));
    EXPECT_TRUE(snippets.isPickerShowing());
    EXPECT_EQ(snippets.query(), "");
}

TEST_F(SnippetsFeatureTest, KeysWithoutTextPassAndDismissalsClose) {
    open({{"a", "A"}, {"b", "B"}});
    press("f5");
    press("left");
    press("right");
    EXPECT_EQ(delivered(), (Strings{"f5↓", "f5↑", "left↓", "left↑", "right↓", "right↑"}));
    press("escape");
    EXPECT_FALSE(snippets.isPickerShowing());

    snippets.showPicker();
    press(";");
    EXPECT_FALSE(snippets.isPickerShowing());
    EXPECT_EQ(delivered().size(), 6u) << "the releases of Escape and ; stay with the picker that took their presses";

    // A click on a row picks it and is no click outside; a click elsewhere closes.
    snippets.showPicker();
    const Rect frame = snippets.menu().panel()->frame();
    desktop.mouse().moveTo(snippets.menu().content()->rowFrame(1).offsetBy(frame.minX(), frame.minY()).center());
    EXPECT_EQ(snippets.highlighted(), 1);
    desktop.mouse().leftDown();
    desktop.mouse().leftUp();
    desktop.runUntilIdle();
    EXPECT_FALSE(snippets.isPickerShowing());
    EXPECT_EQ(pasted(), Strings{"B"});

    snippets.showPicker();
    desktop.mouse().moveTo({5, 5});
    desktop.mouse().leftDown();
    desktop.mouse().leftUp();
    EXPECT_FALSE(snippets.isPickerShowing());

    desktop.applications().launch("com.example.editor", "Editor");
    const int other = desktop.applications().launch("com.example.other", "Other");
    desktop.runUntilIdle();
    snippets.showPicker();
    desktop.workspace().activateApplication(other);
    desktop.runUntilIdle();
    EXPECT_FALSE(snippets.isPickerShowing());
    EXPECT_EQ(desktop.keyboard().enabledTapCount(), 0u);

    snippets.showPicker();
    snippets.deactivate();
    EXPECT_FALSE(snippets.isPickerShowing());
    snippets.showPicker();
    EXPECT_FALSE(snippets.isPickerShowing()) << "nothing opens while stopped";
}

TEST_F(SnippetsFeatureTest, WithoutTheRightToTypeTheSnippetOnlyLandsOnThePasteboard) {
    desktop.permissions().setPostEvent(false);
    open({{"sig", "Regards{cursor}"}});
    EXPECT_EQ(desktop.permissions().postEventRequestCount(), 1);
    press("return");
    EXPECT_EQ(copiedOnly, 1);
    EXPECT_EQ(desktop.pasteboard().string(), "Regards");

    // Secure input hides the keys from every tap; a click still picks.
    desktop.permissions().setPostEvent(true);
    desktop.keyboard().setSecureEventInput(true);
    desktop.pasteboard().copy({{PasteboardType::plainText, "old"}});
    snippets.showPicker();
    const Rect frame = snippets.menu().panel()->frame();
    desktop.mouse().moveTo(snippets.menu().content()->rowFrame(0).offsetBy(frame.minX(), frame.minY()).center());
    desktop.mouse().leftDown();
    desktop.mouse().leftUp();
    desktop.runUntilIdle();
    EXPECT_EQ(copiedOnly, 2);
    EXPECT_EQ(desktop.pasteboard().string(), "Regards");
    EXPECT_TRUE(pasted().empty());
    EXPECT_TRUE(desktop.keyboard().delivered().empty());
}

TEST_F(SnippetsFeatureTest, AnEmptyStoreSaysHowToAddSnippets) {
    open({});
    ASSERT_TRUE(snippets.isPickerShowing());
    EXPECT_EQ(snippets.menu().content()->header().line(), "No snippets yet — add them in Settings › Snippets");
    EXPECT_EQ(snippets.menu().content()->emptyText(), "No matches");
    press("return");
    EXPECT_TRUE(snippets.isPickerShowing());
    EXPECT_TRUE(pasted().empty());
    EXPECT_EQ(copiedOnly, 0);
}

}  // namespace
}  // namespace tarnlet
