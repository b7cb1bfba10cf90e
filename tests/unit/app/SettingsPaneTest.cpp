#include <gtest/gtest.h>

#include "settings/SettingsPane.h"

namespace tarnlet {
namespace {

TEST(SettingsPanes, TitlesAndRawValues) {
    EXPECT_EQ(SettingsPanes::title(SettingsPane::gettingStarted), "Getting Started");
    EXPECT_EQ(SettingsPanes::title(SettingsPane::colorPicker), "Color");
    EXPECT_EQ(SettingsPanes::title(SettingsPane::ocr), "OCR");
    EXPECT_EQ(SettingsPanes::title(SettingsPane::autoQuit), "Auto-Quit");
    EXPECT_EQ(SettingsPanes::title(SettingsPane::snap), "Snap");
    EXPECT_EQ(SettingsPanes::title(SettingsPane::notch), "Notch");
    for (SettingsPane pane : SettingsPanes::all())
        EXPECT_EQ(SettingsPanes::fromRawValue(SettingsPanes::rawValue(pane)), pane);
    EXPECT_EQ(SettingsPanes::fromRawValue("Snap"), std::nullopt);
    EXPECT_EQ(SettingsPanes::enabledKey(SettingsPane::colorPicker), "colorPicker.isEnabled");
}

TEST(SettingsPanes, FeaturePanesSkipTheGeneralOnes) {
    const auto& features = SettingsPanes::features();
    EXPECT_EQ(features.front(), SettingsPane::snap);
    EXPECT_EQ(features.back(), SettingsPane::autoQuit);
    for (SettingsPane pane : features) {
        EXPECT_NE(pane, SettingsPane::general);
        EXPECT_NE(pane, SettingsPane::about);
        EXPECT_NE(pane, SettingsPane::gettingStarted);
    }
}

}  // namespace
}  // namespace tarnlet
