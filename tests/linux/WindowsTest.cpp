// Other applications' windows, the desktops and the running applications on a real X server under
// a real window manager (openbox, two desktops), driven through xterms and read back with xwininfo
// and xprop, as a user's tools would see them.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <deque>
#include <memory>
#include <vector>

#include "DesktopProbe.h"
#include "platform/linux/EwmhWatcher.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/X11Accessibility.h"
#include "platform/linux/X11Applications.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11WindowServer.h"
#include "windows/WindowCensus.h"
#include "windows/WindowSnapper.h"
#include "windows/WindowSpaces.h"

namespace tarnlet::linux_tests {
namespace {

using namespace linux_desktop;

QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString hex(xcb_window_t window) { return "0x" + QString::number(window, 16); }

int number(const QString& text, const QString& pattern, int group = 1) {
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text);
    return match.hasMatch() ? match.captured(group).toInt() : -1;
}

// The window's outer frame in server pixels: xwininfo's client rectangle with the decorations
// openbox announces in _NET_FRAME_EXTENTS.
QRect frameOf(xcb_window_t window) {
    const QString info = output("xwininfo", {"-id", hex(window)});
    const QRect client(number(info, R"(Absolute upper-left X:\s+(-?\d+))"),
                       number(info, R"(Absolute upper-left Y:\s+(-?\d+))"), number(info, R"(Width:\s+(\d+))"),
                       number(info, R"(Height:\s+(\d+))"));
    const QString extents = output("xprop", {"-id", hex(window), "_NET_FRAME_EXTENTS"});
    const QString pattern = R"(= (\d+), (\d+), (\d+), (\d+))";
    return client.adjusted(-number(extents, pattern, 1), -number(extents, pattern, 3), number(extents, pattern, 2),
                           number(extents, pattern, 4));
}

// How far apart the sizes a terminal accepts lie: one character cell.
QSize resizeIncrement(xcb_window_t window) {
    const QString hints = output("xprop", {"-id", hex(window), "WM_NORMAL_HINTS"});
    const QString pattern = R"(resize increment: (\d+) by (\d+))";
    return QSize(std::max(1, number(hints, pattern, 1)), std::max(1, number(hints, pattern, 2)));
}

// A size a terminal granted for a request: at most the request, less than a cell short of it.
void expectCellFit(int actual, double requested, int cell, const char* what) {
    EXPECT_LE(actual, requested + 0.5) << what;
    EXPECT_GT(actual, requested - cell - 0.5) << what;
}

class WindowsTest : public testing::Test {
protected:
    struct Xterm {
        std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
        int pid = 0;
        AXElement window;
        xcb_window_t id = XCB_NONE;
    };

    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
        m_display = std::make_unique<X11Display>();
        ASSERT_TRUE(m_display->isOpen());
        m_watcher = std::make_unique<EwmhWatcher>(*m_display);
        m_accessibility = std::make_unique<X11Accessibility>(*m_display, *m_watcher, m_queue);
        m_server = std::make_unique<X11WindowServer>(*m_display);
        m_applications = std::make_unique<X11Applications>(*m_display, *m_watcher, m_queue);
        m_workspace = std::make_unique<LinuxWorkspace>(m_queue, m_applications.get());
    }

    void TearDown() override {
        for (Xterm& xterm : m_xterms) {
            xterm.process->kill();
            xterm.process->waitForFinished();
        }
        if (m_server && currentDesktop() != 0) {
            m_server->showDesktop(0);
            DesktopProbe::waitUntil([&] { return currentDesktop() == 0; });
        }
    }

    // Starts an xterm and waits until the window manager manages its window.
    Xterm& startXterm(const QStringList& arguments = {}) {
        Xterm& xterm = m_xterms.emplace_back();
        xterm.process->start("xterm", arguments);
        EXPECT_TRUE(xterm.process->waitForStarted());
        xterm.pid = static_cast<int>(xterm.process->processId());
        const AXElement app = m_accessibility->createApplication(xterm.pid);
        EXPECT_TRUE(DesktopProbe::waitUntil([&] {
            AXValue value;
            if (m_accessibility->copyAttribute(app, "AXFocusedWindow", value) != AXError::success) return false;
            xterm.window = std::get<AXElement>(value);
            return true;
        })) << "the xterm's window never appeared";
        xterm.id = X11Accessibility::windowOf(xterm.window).value_or(XCB_NONE);
        return xterm;
    }

    std::optional<Rect> axFrame(const AXElement& window) {
        AXValue position, size;
        if (m_accessibility->copyAttribute(window, "AXPosition", position) != AXError::success ||
            m_accessibility->copyAttribute(window, "AXSize", size) != AXError::success)
            return std::nullopt;
        return Rect(std::get<Point>(position), std::get<Size>(size));
    }

    int currentDesktop() { return number(output("xprop", {"-root", "_NET_CURRENT_DESKTOP"}), R"(= (\d+))"); }

    static bool lists(const std::vector<WindowRecord>& records, xcb_window_t window) {
        return std::any_of(records.begin(), records.end(), [&](const WindowRecord& r) { return r.number == window; });
    }

    QtMainQueue m_queue;
    std::unique_ptr<X11Display> m_display;
    std::unique_ptr<EwmhWatcher> m_watcher;
    std::unique_ptr<X11Accessibility> m_accessibility;
    std::unique_ptr<X11WindowServer> m_server;
    std::unique_ptr<X11Applications> m_applications;
    std::unique_ptr<LinuxWorkspace> m_workspace;
    DesktopProbe m_probe;
    std::deque<Xterm> m_xterms;  // a deque keeps the references startXterm() hands out
};

// The frame read through accessibility is the one the server shows, decorations included; a
// change of size and position is carried out by the time the call returns; minimising and raising
// go through the window manager.
TEST_F(WindowsTest, AnXtermsFrameIsReadAndSetAndItIsMinimisedAndRaised) {
    Xterm& xterm = startXterm({"-geometry", "80x24+40+60"});
    const auto before = axFrame(xterm.window);
    ASSERT_TRUE(before);
    const QRect server = frameOf(xterm.id);
    EXPECT_EQ(*before, Rect(server.x(), server.y(), server.width(), server.height()));

    AXValue subrole;
    EXPECT_EQ(m_accessibility->copyAttribute(xterm.window, "AXSubrole", subrole), AXError::success);
    EXPECT_EQ(std::get<std::string>(subrole), "AXStandardWindow");
    bool settable = false;
    EXPECT_EQ(m_accessibility->isAttributeSettable(xterm.window, "AXSize", settable), AXError::success);
    EXPECT_TRUE(settable);

    ASSERT_EQ(m_accessibility->setAttribute(xterm.window, "AXSize", Size{700, 450}), AXError::success);
    ASSERT_EQ(m_accessibility->setAttribute(xterm.window, "AXPosition", Point{200, 150}), AXError::success);
    const QRect moved = frameOf(xterm.id);
    const QSize cell = resizeIncrement(xterm.id);
    EXPECT_EQ(moved.topLeft(), QPoint(200, 150));
    expectCellFit(moved.width(), 700, cell.width(), "width");
    expectCellFit(moved.height(), 450, cell.height(), "height");
    EXPECT_EQ(axFrame(xterm.window), Rect(moved.x(), moved.y(), moved.width(), moved.height()));
    // Asking for the size it already has changes nothing and returns at once.
    EXPECT_EQ(m_accessibility->setAttribute(xterm.window, "AXSize", Size{700, 450}), AXError::success);
    EXPECT_EQ(frameOf(xterm.id), moved);

    ASSERT_EQ(m_accessibility->setAttribute(xterm.window, "AXMinimized", true), AXError::success);
    EXPECT_TRUE(output("xprop", {"-id", hex(xterm.id), "_NET_WM_STATE"}).contains("_NET_WM_STATE_HIDDEN"));
    AXValue minimized;
    EXPECT_EQ(m_accessibility->copyAttribute(xterm.window, "AXMinimized", minimized), AXError::success);
    EXPECT_TRUE(std::get<bool>(minimized));
    EXPECT_FALSE(lists(*m_server->windowList({.onScreenOnly = true}), xterm.id));
    EXPECT_TRUE(lists(*m_server->windowList({}), xterm.id));

    ASSERT_EQ(m_accessibility->performAction(xterm.window, "AXRaise"), AXError::success);
    EXPECT_TRUE(DesktopProbe::waitUntil([&] { return m_probe.activeWindow() == xterm.id; }));
    EXPECT_FALSE(output("xprop", {"-id", hex(xterm.id), "_NET_WM_STATE"}).contains("_NET_WM_STATE_HIDDEN"));
    EXPECT_TRUE(lists(*m_server->windowList({.onScreenOnly = true}), xterm.id));

    // A window that is gone is reported as such, not as a failure to answer.
    xterm.process->kill();
    xterm.process->waitForFinished();
    EXPECT_EQ(m_accessibility->copyAttribute(xterm.window, "AXPosition", minimized), AXError::invalidUIElement);
}

// Two xterms on two desktops: the window list, the desktop lookups, the accessibility windows and
// the census all see where each is; showing the other desktop swaps what is on screen.
TEST_F(WindowsTest, TheWindowListAndTheDesktopsFollowTwoXtermsOnTwoDesktops) {
    Xterm& here = startXterm({"-geometry", "60x10+10+10"});
    Xterm& there = startXterm({"-geometry", "60x10+10+300"});
    ASSERT_EQ(DesktopProbe::run("xdotool", {"set_desktop_for_window", QString::number(there.id), "1"}), 0);

    const WindowSpaces spaces(*m_server);
    ASSERT_TRUE(spaces.symbolsResolved()) << "openbox announces its desktops";
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return spaces.isOnOtherSpace(there.id, spaces.activeSpace()); }));
    EXPECT_EQ(spaces.activeSpace(), 0u);
    EXPECT_FALSE(spaces.isOnOtherSpace(here.id, 0));
    EXPECT_EQ(spaces.otherSpace(there.id, 0), 1u);

    const auto all = m_server->windowList({});
    ASSERT_TRUE(all);
    for (const Xterm* xterm : {&here, &there}) {
        const auto record =
            std::find_if(all->begin(), all->end(), [&](const WindowRecord& r) { return r.number == xterm->id; });
        ASSERT_NE(record, all->end());
        EXPECT_EQ(record->ownerPID, xterm->pid);
        EXPECT_EQ(record->layer, 0.0);
        EXPECT_EQ(record->alpha, 1.0);
        EXPECT_EQ(record->bounds, axFrame(xterm->window));
        EXPECT_TRUE(WindowCensus::isNormalWindow(*record));
    }
    // The window list runs front to back: the later xterm was focused last.
    const auto position = [&](xcb_window_t id) {
        return std::find_if(all->begin(), all->end(), [&](const WindowRecord& r) { return r.number == id; }) -
               all->begin();
    };
    EXPECT_LT(position(there.id), position(here.id));

    const auto shown = m_server->windowList({.onScreenOnly = true});
    EXPECT_TRUE(lists(*shown, here.id));
    EXPECT_FALSE(lists(*shown, there.id));
    // The application on the other desktop reports no window here, and the census counts it there.
    const AXElement thereApp = m_accessibility->createApplication(there.pid);
    EXPECT_EQ(WindowCensus::keepAliveWindowCount(*m_accessibility, thereApp), 0);
    EXPECT_EQ(WindowCensus::otherSpaceWindowCount(*m_server, spaces, there.pid), 1);
    EXPECT_EQ(WindowCensus::onScreenWindowCount(*m_server, there.pid), 0);
    EXPECT_EQ(WindowCensus::keepAliveWindowCount(*m_accessibility, m_accessibility->createApplication(here.pid)), 1);

    ASSERT_TRUE(m_server->showDesktop(1));
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return currentDesktop() == 1; }));
    EXPECT_EQ(spaces.activeSpace(), 1u);
    // The window manager maps the windows of the desktop it shows just after announcing it.
    EXPECT_TRUE(DesktopProbe::waitUntil([&] {
        const auto swapped = m_server->windowList({.onScreenOnly = true});
        return lists(*swapped, there.id) && !lists(*swapped, here.id);
    }));
    EXPECT_FALSE(m_server->showDesktop(2)) << "openbox keeps two desktops";
}

// Launches, activations and ends are announced; a quit request closes the xterm politely, and an
// application whose windows are all gone still runs until it is sent SIGTERM, its exit heard
// through its pidfd.
TEST_F(WindowsTest, ApplicationsAreAnnouncedAndQuitPolitely) {
    std::vector<std::pair<WorkspaceEvent, RunningApplication>> events;
    const Subscription subscription = m_workspace->observeApplications(
        [&](WorkspaceEvent event, const RunningApplication& app) { events.emplace_back(event, app); });
    const auto find = [&](WorkspaceEvent event, int pid) {
        return std::find_if(events.begin(), events.end(),
                            [&](const auto& e) { return e.first == event && e.second.pid == pid; });
    };
    const auto announced = [&](WorkspaceEvent event, int pid) { return find(event, pid) != events.end(); };

    Xterm& xterm = startXterm();
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return announced(WorkspaceEvent::launched, xterm.pid); }));
    // The launch announcement already tells what the quitting tools decide on.
    const RunningApplication app = find(WorkspaceEvent::launched, xterm.pid)->second;
    EXPECT_EQ(app.bundleIdentifier, "debian-xterm") << "Debian's entry names XTerm as its StartupWMClass";
    EXPECT_EQ(app.localizedName, "XTerm");
    EXPECT_EQ(app.activationPolicy, ActivationPolicy::regular);
    EXPECT_TRUE(app.icon);
    EXPECT_FALSE(app.isFileManager);
    EXPECT_EQ(m_workspace->runningApplication(xterm.pid)->bundleIdentifier, "debian-xterm");
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return announced(WorkspaceEvent::activated, xterm.pid); }));
    EXPECT_EQ(m_workspace->frontmostApplicationPID(), xterm.pid);
    EXPECT_EQ(m_workspace->frontmostApplicationBundleID(), "debian-xterm");

    std::vector<std::pair<AXElement, std::string>> notifications;
    std::unique_ptr<AXObserver> observer;
    ASSERT_EQ(
        m_accessibility->createObserver(
            xterm.pid, [&](const AXElement& e, const std::string& n) { notifications.emplace_back(e, n); }, observer),
        AXError::success);
    ASSERT_EQ(observer->addNotification(xterm.window, "AXUIElementDestroyed"), AXError::success);
    EXPECT_EQ(observer->addNotification(xterm.window, "AXUIElementDestroyed"), AXError::notificationAlreadyRegistered);
    EXPECT_EQ(observer->addNotification(xterm.window, "AXValueChanged"), AXError::notificationUnsupported);

    ASSERT_TRUE(m_workspace->terminate(xterm.pid));
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return announced(WorkspaceEvent::terminated, xterm.pid); }))
        << "the xterm did not close on the window manager's request";
    EXPECT_EQ(xterm.process->state(), QProcess::NotRunning);
    EXPECT_FALSE(m_workspace->runningApplication(xterm.pid));
    EXPECT_FALSE(m_workspace->terminate(xterm.pid));
    EXPECT_TRUE(DesktopProbe::waitUntil([&] {
        return std::count(notifications.begin(), notifications.end(),
                          std::pair<AXElement, std::string>(xterm.window, "AXUIElementDestroyed")) == 1;
    }));

    // Its window withdrawn, the second xterm stays a running application until it is ended.
    Xterm& windowless = startXterm();
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return announced(WorkspaceEvent::launched, windowless.pid); }));
    ASSERT_EQ(DesktopProbe::run("xdotool", {"windowunmap", QString::number(windowless.id)}), 0);
    const AXElement windowlessApp = m_accessibility->createApplication(windowless.pid);
    ASSERT_TRUE(DesktopProbe::waitUntil(
        [&] { return WindowCensus::keepAliveWindowCount(*m_accessibility, windowlessApp) == 0; }));
    DesktopProbe::settle();
    EXPECT_TRUE(m_workspace->runningApplication(windowless.pid));
    ASSERT_TRUE(m_workspace->terminate(windowless.pid));
    EXPECT_TRUE(DesktopProbe::waitUntil([&] { return announced(WorkspaceEvent::terminated, windowless.pid); }));
    EXPECT_TRUE(DesktopProbe::waitUntil([&] { return windowless.process->state() == QProcess::NotRunning; }));
}

// The core's snapping reaches a real window through this backend: the left half of the work area,
// and asked again, two thirds of it, each within one character cell of the exact size.
TEST_F(WindowsTest, SnapPutsTheFrontXtermOnTheLeftHalfThenTwoThirds) {
    QtScreens screens(m_queue);
    WindowServices services{*m_accessibility, *m_workspace, screens};
    Xterm& xterm = startXterm({"-geometry", "50x10+600+300"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_workspace->frontmostApplicationPID() == xterm.pid; }));
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize cell = resizeIncrement(xterm.id);

    WindowSnapper snapper(services);
    snapper.snap(SnapPosition::leftHalf);
    const QRect half = frameOf(xterm.id);
    EXPECT_EQ(half.topLeft(), work.topLeft());
    expectCellFit(half.width(), work.width() / 2.0, cell.width(), "half width");
    expectCellFit(half.height(), work.height(), cell.height(), "height");

    snapper.snap(SnapPosition::leftHalf);
    const QRect twoThirds = frameOf(xterm.id);
    EXPECT_EQ(twoThirds.topLeft(), work.topLeft());
    expectCellFit(twoThirds.width(), work.width() * 2.0 / 3.0, cell.width(), "two-thirds width");
}

}  // namespace
}  // namespace tarnlet::linux_tests
