// The colour loupe on a real X server: it picks the colour of an xterm's background where xdotool
// clicks, and Escape pressed through xdotool cancels it.

#include <gtest/gtest.h>

#include <QPoint>
#include <QProcess>

#include "DesktopProbe.h"
#include "platform/linux/ColorLoupe.h"
#include "platform/linux/QtMainQueue.h"

namespace tarnlet::linux_tests {
namespace {

struct Outcome {
    int calls = 0;
    std::optional<SampledColor> color;
};

class ColorLoupeTest : public testing::Test {
protected:
    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
        m_loupe = std::make_unique<linux_desktop::ColorLoupe>(m_queue);
    }
    void TearDown() override {
        m_loupe.reset();
        if (m_xterm.state() != QProcess::NotRunning) {
            m_xterm.kill();
            m_xterm.waitForFinished();
        }
    }

    void open(Outcome& outcome) {
        m_loupe->show([&outcome](std::optional<SampledColor> color) {
            ++outcome.calls;
            outcome.color = color;
        });
        ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_loupe->isReady(); })) << "the loupe never took the keyboard";
    }

    linux_desktop::QtMainQueue m_queue;
    std::unique_ptr<linux_desktop::ColorLoupe> m_loupe;
    QProcess m_xterm;
};

TEST_F(ColorLoupeTest, AClickPicksThePixelsColour) {
    const QColor background(0x33, 0x66, 0xCC);
    m_xterm.start("xterm", {"-geometry", "60x20+100+100", "-bg", background.name(), "-e", "sleep", "600"});
    DesktopProbe probe;
    const QPoint target(300, 250);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return probe.pixel(target.x(), target.y()) == background; }))
        << "the xterm never showed its background there";

    Outcome outcome;
    open(outcome);
    ASSERT_EQ(DesktopProbe::run("xdotool", {"mousemove", QString::number(target.x()), QString::number(target.y()),
                                            "click", "1"}),
              0);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return outcome.calls > 0; }));
    EXPECT_FALSE(m_loupe->isOpen());
    ASSERT_TRUE(outcome.color.has_value());
    EXPECT_DOUBLE_EQ(outcome.color->red, 0x33 / 255.0);
    EXPECT_DOUBLE_EQ(outcome.color->green, 0x66 / 255.0);
    EXPECT_DOUBLE_EQ(outcome.color->blue, 0xCC / 255.0);
    EXPECT_DOUBLE_EQ(outcome.color->alpha, 1.0);
    EXPECT_TRUE(outcome.color->isConvertibleToSRGB);
    DesktopProbe::settle();
    EXPECT_EQ(outcome.calls, 1);
}

// Escape cancels; a second loupe opened over the first cancels the first.
TEST_F(ColorLoupeTest, EscapeAndASecondLoupeCancel) {
    Outcome first;
    Outcome second;
    open(first);
    open(second);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return first.calls > 0; }));
    EXPECT_EQ(first.color, std::nullopt);
    EXPECT_EQ(second.calls, 0);

    ASSERT_EQ(DesktopProbe::run("xdotool", {"key", "Escape"}), 0);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return second.calls > 0; }));
    EXPECT_EQ(second.color, std::nullopt);
    EXPECT_FALSE(m_loupe->isOpen());
    EXPECT_EQ(first.calls, 1);
}

}  // namespace
}  // namespace tarnlet::linux_tests
