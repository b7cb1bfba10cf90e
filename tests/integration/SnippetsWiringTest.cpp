// Snippets and the colour picker inside the whole application: the chord that opens the picker,
// the chip when a snippet could only be copied, and the colour chip.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/tools/ClipboardTool.h"
#include "app/tools/SnippetsTool.h"
#include "clipboard/Snippet.h"
#include "notch/NotchBarView.h"
#include "support/AppFixture.h"

namespace tarnlet {
namespace {

class SnippetsWiringTest : public test::AppFixture {
protected:
    SnippetsWiringTest() : AppFixture({SettingsPane::snippets, SettingsPane::colorPicker}) {
        desktop.permissions().setAccessibilityTrusted(true);
    }
    void key(const char* name, bool down) {
        const auto code = *sim::SimKeyboard::keyCode(name);
        if (down) desktop.keyboard().keyDown(code);
        else desktop.keyboard().keyUp(code);
        desktop.runUntilIdle();
    }
    std::optional<std::string> chipCaption() {
        auto bar = app->notch().controller().chipBar();
        return bar ? bar->content().caption : std::nullopt;
    }
};

TEST_F(SnippetsWiringTest, TheChordOpensThePickerOnlyWhileSnippetsRuns) {
    start();
    // Snippets off: right Command with ":" is no chord and the key reaches the application.
    key("rcmd", true), key("shift", true), key(";", true), key(";", false), key("shift", false), key("rcmd", false);
    EXPECT_FALSE(app->tool<SnippetsTool>().snippets().isPickerShowing());

    EXPECT_TRUE(app->tool<SnippetsTool>().commandStripHints().empty());

    app->settings().set("snippets.isEnabled", true);
    desktop.runUntilIdle();
    key("rcmd", true), key("shift", true), key(";", true), key(";", false), key("shift", false), key("rcmd", false);
    EXPECT_TRUE(app->tool<SnippetsTool>().snippets().isPickerShowing());
    // The key's hint: one item with the Snippets icon, for the end of the Command strip.
    const auto hints = app->tool<SnippetsTool>().commandStripHints();
    ASSERT_EQ(hints.size(), 1u);
    ASSERT_TRUE(hints[0].icon.has_value());
    EXPECT_EQ(hints[0].icon->name, SettingsPanes::icon(SettingsPane::snippets));
}

TEST_F(SnippetsWiringTest, PickersAreDrawnInTheAppearanceOfTheLaunch) {
    desktop.defaults().standard().set("snippets.isEnabled", true);
    start({"--appearance", "dark"});
    app->tool<SnippetsTool>().snippets().store().save(Snippet::make("sig", "Regards"));
    app->tool<SnippetsTool>().snippets().showPicker();
    auto view = app->tool<SnippetsTool>().snippets().menu().content();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->appearance(), ListMenuView::Appearance::dark);
    EXPECT_EQ(app->tool<ClipboardTool>().clipboard().menu().menu().appearance(), ListMenu::Appearance::dark);
}

TEST_F(SnippetsWiringTest, ASnippetThatCannotBeTypedIsCopiedAndSaysSo) {
    desktop.defaults().standard().set("snippets.isEnabled", true);
    start();
    desktop.advanceBy(3);
    app->tool<SnippetsTool>().snippets().store().save(Snippet::make("sig", "Regards"));
    // Without the right to post events nothing can be typed for the user.
    desktop.permissions().setPostEvent(false);
    app->tool<SnippetsTool>().snippets().showPicker();
    ASSERT_TRUE(app->tool<SnippetsTool>().snippets().isPickerShowing());
    key("return", true), key("return", false);
    EXPECT_FALSE(app->tool<SnippetsTool>().snippets().isPickerShowing());
    EXPECT_EQ(desktop.pasteboard().string(), "Regards");
    EXPECT_TRUE(desktop.keyboard().pasted().empty());
    EXPECT_EQ(chipCaption(), "snippet copied");
}

TEST_F(SnippetsWiringTest, APickedColourIsCopiedAndShownAtTheNotch) {
    desktop.defaults().standard().set("colorPicker.isEnabled", true);
    start();
    desktop.advanceBy(3);
    key("ctrl", true), key("opt", true), key("shift", true), key("c", true), key("c", false);
    key("shift", false), key("opt", false), key("ctrl", false);
    ASSERT_TRUE(desktop.colorSampler().isOpen());
    desktop.colorSampler().pick({0, 0.5, 1, 1, true});
    desktop.runUntilIdle();
    EXPECT_EQ(desktop.pasteboard().string(), "#0080FF");
    EXPECT_EQ(chipCaption(), "#0080FF");
}

}  // namespace
}  // namespace tarnlet
