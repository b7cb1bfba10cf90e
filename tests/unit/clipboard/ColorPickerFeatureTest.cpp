#include "clipboard/ColorPickerFeature.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/Log.h"
#include "keys/HotKeyWatcher.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

SampledColor rgb(double red, double green, double blue) { return SampledColor{red, green, blue}; }

TEST(ColorPickerHexTest, ClampsAndRoundsHalfAwayFromZero) {
    EXPECT_EQ(ColorPickerFeature::hex(rgb(1, 0, 0)), "#FF0000");
    EXPECT_EQ(ColorPickerFeature::hex(rgb(0.5, 0.5, 0.5)), "#808080");  // 127.5 rounds up
    EXPECT_EQ(ColorPickerFeature::hex(rgb(0.25, 10.0 / 255, 0.999)), "#400AFF");
    // Extended-range components of a wide-gamut colour clamp to the ends.
    EXPECT_EQ(ColorPickerFeature::hex(rgb(1.7, -0.4, std::numeric_limits<double>::infinity())), "#FF00FF");

    SampledColor pattern = rgb(1, 1, 1);
    pattern.isConvertibleToSRGB = false;
    EXPECT_EQ(ColorPickerFeature::hex(pattern), std::nullopt);
    EXPECT_EQ(ColorPickerFeature::hex(rgb(std::nan(""), 0, 0)), std::nullopt);
}

class ColorPickerFeatureTest : public ::testing::Test {
protected:
    sim::SimDesktop& desktop() { return env.desktop(); }
    sim::SimColorSampler& loupe() { return desktop().colorSampler(); }

    void SetUp() override {
        feature->onColor = [this](const std::string& hex, const SampledColor&) { reported.push_back(hex); };
    }

    // ⌃⌥⇧C on the hardware keyboard.
    void pressHotKey() {
        auto& keyboard = desktop().keyboard();
        for (const char* modifier : {"lctrl", "lopt", "lshift"}) keyboard.keyDown(*sim::SimKeyboard::keyCode(modifier));
        keyboard.press(*sim::SimKeyboard::keyCode("c"));
        keyboard.releaseAll();
        desktop().runUntilIdle();
    }

    void pick(const SampledColor& color) {
        ASSERT_TRUE(loupe().pick(color));
        desktop().runUntilIdle();
    }

    test::TestEnvironment env;
    HotKeyWatcher hotKeys{desktop().hotKeys()};
    std::unique_ptr<ColorPickerFeature> feature =
        std::make_unique<ColorPickerFeature>(hotKeys, desktop().colorSampler(), desktop().pasteboard());
    std::vector<std::string> reported;
};

TEST_F(ColorPickerFeatureTest, HotKeyExistsOnlyWhileActiveAndCopiesThePick) {
    pressHotKey();
    EXPECT_EQ(loupe().openCount(), 0);
    EXPECT_EQ(desktop().hotKeys().registrationCount(), 0u);

    feature->activate();
    feature->activate();  // idempotent
    EXPECT_EQ(desktop().hotKeys().registrationCount(), 1u);
    EXPECT_TRUE(feature->hotKeyID());

    Log::setSystemLog(&desktop().systemLog());
    Log::setDebugEnabled(true);
    pressHotKey();
    Log::setDebugEnabled(false);
    Log::setSystemLog(nullptr);
    EXPECT_TRUE(desktop().systemLog().contains("Color: picker opened"));
    ASSERT_TRUE(loupe().isOpen());

    pick(rgb(1, 0.5, 0));
    EXPECT_EQ(desktop().pasteboard().string(), "#FF8000");
    EXPECT_EQ(desktop().pasteboard().types(), std::vector<std::string>{PasteboardType::plainText});
    EXPECT_EQ(reported, std::vector<std::string>{"#FF8000"});

    feature->deactivate();
    EXPECT_EQ(desktop().hotKeys().registrationCount(), 0u);
    EXPECT_FALSE(feature->hotKeyID());
    pressHotKey();
    feature->trigger();  // switched off, even a direct call opens nothing
    EXPECT_EQ(loupe().openCount(), 1);
}

TEST_F(ColorPickerFeatureTest, CancelledOrUnconvertiblePicksCopyNothing) {
    desktop().pasteboard().copy({{PasteboardType::plainText, "kept"}});
    const int changes = desktop().pasteboard().changeCount();
    feature->activate();

    feature->trigger();
    feature->trigger();  // one loupe at a time: the first is cancelled
    ASSERT_TRUE(loupe().cancel());
    desktop().runUntilIdle();

    feature->trigger();
    SampledColor pattern = rgb(0.2, 0.2, 0.2);
    pattern.isConvertibleToSRGB = false;
    pick(pattern);

    EXPECT_EQ(desktop().pasteboard().changeCount(), changes);
    EXPECT_EQ(desktop().pasteboard().string(), "kept");
    EXPECT_TRUE(reported.empty());
}

TEST_F(ColorPickerFeatureTest, OpenLoupeOutlivesSwitchingOffButNotTheFeature) {
    feature->activate();
    feature->trigger();
    feature->deactivate();
    pick(rgb(0, 0, 1.2));
    EXPECT_EQ(desktop().pasteboard().string(), "#0000FF");
    EXPECT_EQ(reported.size(), 1u);

    // A feature that is gone hears nothing of its loupe.
    feature->activate();
    feature->trigger();
    feature.reset();
    EXPECT_EQ(desktop().hotKeys().registrationCount(), 0u);
    pick(rgb(1, 1, 1));
    EXPECT_EQ(desktop().pasteboard().string(), "#0000FF");
}

}  // namespace
}  // namespace tarnlet
