#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>

#include "platform/host/PangoTextMeasurer.h"
#include "platform/host/SymbolImages.h"

namespace tarnlet {
namespace {

using host::PangoTextMeasurer;
using host::SymbolImages;

const Font kCaption{FontRole::system, 11, false};
const Font kValue{FontRole::monospacedDigit, 14, true};
const Font kKeycap{FontRole::monospaced, 11, true};

TEST(PangoTextMeasurer, WidthFollowsSizeWeightAndGlyphs) {
    PangoTextMeasurer m;
    EXPECT_GT(m.measure("Breaks", Font{FontRole::system, 16, false}).width, m.measure("Breaks", kCaption).width);
    EXPECT_GT(m.measure("Breaks", Font{FontRole::system, 11, true}).width, m.measure("Breaks", kCaption).width)
        << "semibold takes the heavier, wider face";
    EXPECT_GT(m.measure("WWW", kCaption).width, m.measure("iii", kCaption).width * 1.5);
    EXPECT_DOUBLE_EQ(m.measure("WWW", kKeycap).width, m.measure("iii", kKeycap).width);
    EXPECT_DOUBLE_EQ(m.measure("", kCaption).width, 0);
    // Widths add up: no kerning or rounding sneaks in between identical glyphs.
    EXPECT_NEAR(m.measure("mmmm", kCaption).width, 2 * m.measure("mm", kCaption).width, 1e-3);
}

TEST(PangoTextMeasurer, MonospacedDigitsShareOneWidth) {
    PangoTextMeasurer m;
    const double zero = m.measure("0", kValue).width;
    EXPECT_GT(zero, 0);
    for (char digit = '1'; digit <= '9'; ++digit)
        EXPECT_DOUBLE_EQ(m.measure(std::string(1, digit), kValue).width, zero) << digit;
    EXPECT_DOUBLE_EQ(m.measure("0:11", kValue).width, m.measure("0:48", kValue).width);
}

TEST(PangoTextMeasurer, LineHeightAndMetricsAreConsistent) {
    PangoTextMeasurer m;
    const auto metrics = m.metrics(kCaption);
    const Size line = m.measure("Hg", kCaption);
    EXPECT_GT(metrics.ascent, metrics.capHeight);
    EXPECT_GT(metrics.descent, 0);
    EXPECT_NEAR(line.height, metrics.ascent + metrics.descent, 0.5);
    EXPECT_GT(metrics.capHeight, 0.6 * 11);
    EXPECT_LT(metrics.capHeight, 0.8 * 11);
    EXPECT_DOUBLE_EQ(m.measure("", kCaption).height, line.height) << "an empty line is still a line";
    // Font sizes are points and one point is one unit.
    EXPECT_NEAR(m.metrics(Font{FontRole::system, 22, false}).capHeight, 2 * metrics.capHeight, 0.05);
}

TEST(PangoTextMeasurer, ResultsAreDeterministicAcrossInstances) {
    PangoTextMeasurer a;
    const Size first = a.measure("snippet copied", kCaption);
    const auto firstMetrics = a.metrics(kValue);
    PangoTextMeasurer b;
    EXPECT_EQ(b.measure("snippet copied", kCaption), first);
    EXPECT_EQ(b.metrics(kValue).capHeight, firstMetrics.capHeight);
    EXPECT_EQ(a.measure("snippet copied", kCaption), first);
}

TEST(PangoTextMeasurer, OddTextAndFontsNeverFail) {
    PangoTextMeasurer m;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double size : {0.0, -3.0, nan, 1e9}) {
        EXPECT_EQ(m.measure("x", Font{FontRole::system, size, false}), Size{}) << size;
        EXPECT_EQ(m.metrics(Font{FontRole::system, size, false}).ascent, 0) << size;
    }
    EXPECT_GT(m.measure("bad \xff\xfe bytes", kCaption).width, 0);
    // A line break is laid out as a space: still one line.
    const Size broken = m.measure("two\nlines", kCaption);
    EXPECT_DOUBLE_EQ(broken.height, m.measure("x", kCaption).height);
    EXPECT_DOUBLE_EQ(broken.width, m.measure("two lines", kCaption).width);
    EXPECT_GT(m.measure("⌘V · “Grant” — 🎧", kCaption).width, 0);
}

TEST(SymbolImages, EveryMappedNameResolvesToAnInstalledIcon) {
    const auto names = SymbolImages::mappedNames();
    EXPECT_GE(names.size(), 35u);
    for (auto name : names) {
        const auto file = SymbolImages::iconFile(name);
        ASSERT_TRUE(file.has_value()) << name;
        EXPECT_TRUE(std::filesystem::is_regular_file(*file)) << name;
        EXPECT_EQ(file->extension(), ".svg") << name;
    }
}

TEST(SymbolImages, TheInterfaceSymbolsAreAllAvailable) {
    for (const char* name :
         {"tray.fill", "tray.full", "doc.fill", "doc.on.clipboard", "eye", "eye.fill", "rectangle.on.rectangle",
          "cup.and.saucer", "cup.and.saucer.fill", "text.viewfinder", "eyedropper", "eyedropper.halffull",
          "xmark.circle.fill", "xmark.app", "macwindow", "1.square", "2.square", "sparkles", "gearshape",
          "rectangle.split.2x1", "command", "text.quote", "circle.lefthalf.filled", "rectangle.2.swap",
          "rectangle.topthird.inset.filled", "clock.arrow.circlepath", "info.circle", "headphones", "airpods",
          "keyboard", "computermouse", "play.fill", "pause.fill", "backward.fill", "forward.fill", "music.note",
          "text.append", "tray.and.arrow.down"})
        EXPECT_TRUE(SymbolImages::isAvailable(name)) << name;

    // Numbered squares are drawn, not looked up; near misses are not symbols.
    EXPECT_FALSE(SymbolImages::iconFile("1.square").has_value());
    for (const char* name : {"", "eye.fill ", "EYE.FILL", "10.square", "a.square", "1.squares", "airdrop"})
        EXPECT_FALSE(SymbolImages::isAvailable(name)) << name;
}

}  // namespace
}  // namespace tarnlet
