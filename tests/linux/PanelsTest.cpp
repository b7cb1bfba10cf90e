// Panels on a real X server under a real window manager: where they appear, what they cover, that
// they never take the focus, and that click-through ones let the mouse pass.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QWidget>
#include <vector>

#include "DesktopProbe.h"
#include "RecordingLog.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtPanels.h"
#include "platform/linux/QtScreens.h"

namespace tarnlet::linux_tests {
namespace {

using linux_desktop::QtScreens;

const QColor kMagenta(255, 0, 255);
const QColor kCyan(0, 255, 255);

class SolidContent : public PanelContent {
public:
    SolidContent(Size size, Color color) : m_size(size), m_color(color) {}
    Drawing drawing() const override {
        Drawing d;
        d.size = m_size;
        d.ops.push_back(draw::RoundedRect{Rect(0, 0, m_size.width, m_size.height), 8, m_color, std::nullopt, 0});
        return d;
    }

private:
    Size m_size;
    Color m_color;
};

// Content that changes when told and says so, as a bar replacing its caption does.
class ChangingContent : public PanelContent {
public:
    ChangingContent(Size size, Color color) : m_solid(size, color), m_size(size) {}
    Drawing drawing() const override { return m_solid.drawing(); }
    void setColor(Color color) {
        m_solid = SolidContent(m_size, color);
        changed();
    }

private:
    SolidContent m_solid;
    Size m_size;
};

// Remembers where the application's windows were pressed, in X11 coordinates.
class PressRecorder : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
            presses.push_back(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return false;
    }
    std::vector<QPoint> presses;
};

class PanelsTest : public testing::Test {
protected:
    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
        m_queue = std::make_unique<linux_desktop::QtMainQueue>();
        m_panels = std::make_unique<linux_desktop::QtPanels>(*m_queue, m_log);
        m_probe = std::make_unique<DesktopProbe>();
    }
    void TearDown() override {
        if (m_xterm.state() != QProcess::NotRunning) {
            m_xterm.kill();
            m_xterm.waitForFinished();
        }
    }

    // An xterm over the top centre of the screen, active, as a user's window would be.
    xcb_window_t startXterm() {
        const xcb_window_t before = m_probe->activeWindow();
        m_xterm.start("xterm", {"-geometry", "120x20+700+0", "-bg", "white", "-fg", "black"});
        EXPECT_TRUE(DesktopProbe::waitUntil([&] {
            const xcb_window_t active = m_probe->activeWindow();
            return active != XCB_NONE && active != before;
        })) << "the xterm never became the active window";
        return m_probe->activeWindow();
    }

    QRect screenGeometry() const { return QGuiApplication::primaryScreen()->geometry(); }

    // A frame in desktop coordinates from one in X11 coordinates.
    static Rect desktopFrame(const QRect& x11) { return QtScreens::toDesktop(x11); }

    std::unique_ptr<linux_desktop::QtMainQueue> m_queue;
    RecordingLog m_log;
    std::unique_ptr<linux_desktop::QtPanels> m_panels;
    std::unique_ptr<DesktopProbe> m_probe;
    QProcess m_xterm;
};

TEST_F(PanelsTest, NotchPanelShowsAtTopCentreAboveWindowsWithoutTakingFocus) {
    const xcb_window_t xterm = startXterm();
    const QRect screen = screenGeometry();
    const QRect notch(screen.center().x() - 110, screen.top(), 220, 32);
    const QPoint middle = notch.center();
    ASSERT_NE(m_probe->pixel(middle.x(), middle.y()), kMagenta);

    auto content = std::make_shared<SolidContent>(Size{220, 32}, Color::rgb255(255, 0, 255));
    PanelOptions options;
    options.level = 25;
    auto panel = m_panels->show(content, desktopFrame(notch), options);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_probe->pixel(middle.x(), middle.y()) == kMagenta; }))
        << "the panel's pixels never reached the screen";
    // The panel fills its frame and nothing beyond it.
    EXPECT_EQ(m_probe->pixel(notch.left() + 10, notch.top() + 2), kMagenta);
    EXPECT_EQ(m_probe->pixel(notch.right() - 10, notch.bottom() - 2), kMagenta);
    EXPECT_NE(m_probe->pixel(middle.x(), notch.bottom() + 6), kMagenta);
    EXPECT_NE(m_probe->pixel(notch.left() - 6, middle.y()), kMagenta);

    DesktopProbe::settle();
    EXPECT_EQ(m_probe->activeWindow(), xterm) << "showing the panel moved the focus";
    EXPECT_EQ(m_probe->pixel(middle.x(), middle.y()), kMagenta) << "the window manager put the panel below the xterm";
    EXPECT_NEAR(panel->frame().midX(), desktopFrame(notch).midX(), 0.5);

    panel->remove();
    EXPECT_FALSE(panel->isOnScreen());
    EXPECT_TRUE(DesktopProbe::waitUntil([&] { return m_probe->pixel(middle.x(), middle.y()) != kMagenta; }))
        << "the removed panel stayed on screen";

    panel->orderFront();
    EXPECT_TRUE(DesktopProbe::waitUntil([&] { return m_probe->pixel(middle.x(), middle.y()) == kMagenta; }))
        << "the panel did not come back";
    EXPECT_EQ(m_probe->activeWindow(), xterm);
}

TEST_F(PanelsTest, HigherLevelsStackAboveAndAnimationsReachTheirFrame) {
    const QRect screen = screenGeometry();
    const QRect area(screen.center().x() - 100, screen.center().y() - 50, 200, 100);
    PanelOptions high;
    high.level = 101;
    PanelOptions low;
    low.level = 8;
    // The higher level is shown first, and still ends above.
    auto top = m_panels->show(std::make_shared<SolidContent>(Size{200, 100}, Color::rgb255(255, 0, 255)),
                              desktopFrame(area), high);
    auto bottom = m_panels->show(std::make_shared<SolidContent>(Size{200, 100}, Color::rgb255(0, 255, 255)),
                                 desktopFrame(area), low);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_probe->pixel(area.center().x(), area.center().y()) == kMagenta; }));
    DesktopProbe::settle();
    EXPECT_EQ(m_probe->pixel(area.center().x(), area.center().y()), kMagenta);

    // The upper panel slides away to the right; the lower one shows where it was.
    const QRect away = area.translated(300, 0);
    bool completed = false;
    top->animate(PanelAnimation{std::nullopt, desktopFrame(away), 0.25}, [&] { completed = true; });
    EXPECT_FALSE(completed) << "an animation reported from inside the call";
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return completed; }));
    EXPECT_EQ(top->frame(), desktopFrame(away));
    EXPECT_TRUE(DesktopProbe::waitUntil([&] {
        return m_probe->pixel(area.center().x(), area.center().y()) == kCyan &&
               m_probe->pixel(away.center().x(), away.center().y()) == kMagenta;
    })) << "the screen does not show the animation's end";
}

TEST_F(PanelsTest, ClickThroughPanelsLetTheMousePass) {
    const QRect screen = screenGeometry();
    const QRect through(screen.left() + 200, screen.top() + 300, 160, 80);
    const QRect taking(screen.left() + 500, screen.top() + 300, 160, 80);
    PanelOptions ignoring;
    ignoring.ignoresMouse = true;
    PanelOptions catching;
    catching.ignoresMouse = false;
    auto a = m_panels->show(std::make_shared<SolidContent>(Size{160, 80}, Color::rgb255(255, 0, 255)),
                            desktopFrame(through), ignoring);
    auto b = m_panels->show(std::make_shared<SolidContent>(Size{160, 80}, Color::rgb255(0, 255, 255)),
                            desktopFrame(taking), catching);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] {
        return m_probe->pixel(through.center().x(), through.center().y()) == kMagenta &&
               m_probe->pixel(taking.center().x(), taking.center().y()) == kCyan;
    }));
    DesktopProbe::settle();

    PressRecorder recorder;
    qApp->installEventFilter(&recorder);
    // The X server delivers the two clicks in order: once the second has arrived, the first would have.
    ASSERT_EQ(DesktopProbe::run("xdotool", {"mousemove", QString::number(through.center().x()),
                                            QString::number(through.center().y()), "click", "1"}),
              0);
    ASSERT_EQ(DesktopProbe::run("xdotool", {"mousemove", QString::number(taking.center().x()),
                                            QString::number(taking.center().y()), "click", "1"}),
              0);
    const bool received = DesktopProbe::waitUntil([&] { return !recorder.presses.empty(); });
    qApp->removeEventFilter(&recorder);
    ASSERT_TRUE(received) << "the panel that takes the mouse never saw the click";
    for (const QPoint& press : recorder.presses) {
        EXPECT_FALSE(through.contains(press)) << "the click-through panel took a click";
        EXPECT_TRUE(taking.contains(press));
    }
}

// A window draws only when told: content that changes must reach the screen all the same.
TEST_F(PanelsTest, ContentThatChangesIsDrawnAgain) {
    const QRect screen = screenGeometry();
    const QRect area(screen.center().x() - 60, screen.center().y() - 20, 120, 40);
    auto content = std::make_shared<ChangingContent>(Size{120, 40}, Color::rgb255(255, 0, 255));
    auto panel = m_panels->show(content, desktopFrame(area), {});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_probe->pixel(area.center().x(), area.center().y()) == kMagenta; }));
    content->setColor(Color::rgb255(0, 255, 255));
    EXPECT_TRUE(DesktopProbe::waitUntil([&] { return m_probe->pixel(area.center().x(), area.center().y()) == kCyan; }))
        << "the changed content never reached the screen";
    panel.reset();
    content->setColor(Color::rgb255(255, 0, 255));  // no panel listens any more
}

}  // namespace
}  // namespace tarnlet::linux_tests
