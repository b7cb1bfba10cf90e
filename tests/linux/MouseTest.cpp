// The pointer on a real X server: xdotool moves and clicks as a hand would, and the monitors hear it
// where it happened; a drag source's XdndSelection ownership counts as a new drag.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "DesktopProbe.h"
#include "RecordingLog.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtPanels.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/X11Mouse.h"

namespace tarnlet::linux_tests {
namespace {

using linux_desktop::QtScreens;

constexpr MouseEventMask kEveryKind =
    MouseMask::moved | MouseMask::leftDown | MouseMask::leftDragged | MouseMask::leftUp | MouseMask::rightDown;

class SolidContent : public PanelContent {
public:
    explicit SolidContent(Size size) : m_size(size) {}
    Drawing drawing() const override {
        Drawing d;
        d.size = m_size;
        d.ops.push_back(draw::RoundedRect{Rect(0, 0, m_size.width, m_size.height), 0, Color::rgb255(0, 128, 0), std::nullopt, 0});
        return d;
    }

private:
    Size m_size;
};

class MouseTest : public testing::Test {
protected:
    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
        m_mouse = std::make_unique<linux_desktop::X11Mouse>();
        ASSERT_TRUE(m_mouse->hearsGlobalEvents()) << "the X server offers no XInput 2.1";
        m_global = m_mouse->addGlobalMonitor(kEveryKind, [this](const MouseEvent& e) { m_heardGlobally.push_back(e); });
        m_local = m_mouse->addLocalMonitor(kEveryKind, [this](const MouseEvent& e) { m_heardLocally.push_back(e); });
    }

    static void xdotool(const QStringList& arguments) { ASSERT_EQ(DesktopProbe::run("xdotool", arguments), 0); }
    static QString number(int value) { return QString::number(value); }
    // Where an X11 point is in desktop coordinates.
    static Point desktop(int x, int y) { return QtScreens::toDesktop(QPoint(x, y)); }

    static bool has(const std::vector<MouseEvent>& events, MouseEventType type, Point where) {
        return std::any_of(events.begin(), events.end(), [&](const MouseEvent& e) {
            return e.type == type && e.location.x == where.x && e.location.y == where.y;
        });
    }
    static long count(const std::vector<MouseEvent>& events, MouseEventType type) {
        return std::count_if(events.begin(), events.end(), [&](const MouseEvent& e) { return e.type == type; });
    }

    std::unique_ptr<linux_desktop::X11Mouse> m_mouse;
    std::unique_ptr<MouseMonitor> m_global;
    std::unique_ptr<MouseMonitor> m_local;
    std::vector<MouseEvent> m_heardGlobally;
    std::vector<MouseEvent> m_heardLocally;
};

// Only the hand's motion is input: a program warping the pointer (as xdotool's absolute moves do)
// makes no raw event, so the moves here are relative ones.
TEST_F(MouseTest, GlobalMonitorsHearMovesClicksAndDragsWhereTheyHappen) {
    xdotool({"mousemove", "296", "196", "mousemove_relative", "4", "4"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return has(m_heardGlobally, MouseEventType::moved, desktop(300, 200)); }));
    EXPECT_EQ(m_mouse->location(), desktop(300, 200));

    xdotool({"click", "1"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return count(m_heardGlobally, MouseEventType::leftUp) == 1; }));
    EXPECT_TRUE(has(m_heardGlobally, MouseEventType::leftDown, desktop(300, 200)));

    m_heardGlobally.clear();
    xdotool({"mousedown", "1", "mousemove_relative", "20", "30", "mousemove_relative", "20", "30", "mouseup", "1"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return count(m_heardGlobally, MouseEventType::leftUp) == 1; }));
    EXPECT_EQ(m_heardGlobally.front().type, MouseEventType::leftDown);
    EXPECT_TRUE(has(m_heardGlobally, MouseEventType::leftDragged, desktop(340, 260)));
    EXPECT_EQ(count(m_heardGlobally, MouseEventType::moved), 0) << "a drag was heard as plain moves";
    EXPECT_EQ(m_heardGlobally.back().type, MouseEventType::leftUp);

    // A drag with the right button is neither a move nor a left drag. (The position is read when an
    // event is delivered, so the press is heard before the pointer moves on.)
    m_heardGlobally.clear();
    xdotool({"mousedown", "3"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return has(m_heardGlobally, MouseEventType::rightDown, desktop(340, 260)); }));
    xdotool({"mousemove_relative", "1", "1", "mouseup", "3", "mousemove_relative", "1", "1"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return count(m_heardGlobally, MouseEventType::moved) == 1; }));
    EXPECT_EQ(m_heardGlobally.size(), 2u);
    EXPECT_TRUE(m_heardLocally.empty()) << "no window of ours was under the pointer";
}

// A click on one of our own panels is the local monitors' alone; one on a panel that lets the
// mouse through, or elsewhere, the global monitors'.
TEST_F(MouseTest, ClicksOnOwnPanelsGoToLocalMonitorsOnly) {
    linux_desktop::QtMainQueue queue;
    RecordingLog log;
    linux_desktop::QtPanels panels(queue, log);
    const QRect taking(600, 400, 160, 80);
    const QRect through(900, 400, 160, 80);
    PanelOptions catching;
    catching.ignoresMouse = false;
    PanelOptions ignoring;
    ignoring.ignoresMouse = true;
    auto a = panels.show(std::make_shared<SolidContent>(Size{160, 80}), QtScreens::toDesktop(taking), catching);
    auto b = panels.show(std::make_shared<SolidContent>(Size{160, 80}), QtScreens::toDesktop(through), ignoring);
    DesktopProbe probe;
    ASSERT_TRUE(DesktopProbe::waitUntil([&] {
        return probe.pixel(taking.center().x(), taking.center().y()) == QColor(0, 128, 0) &&
               probe.pixel(through.center().x(), through.center().y()) == QColor(0, 128, 0);
    }));
    DesktopProbe::settle();

    const QPoint inside = taking.center();
    xdotool({"mousemove", number(inside.x()), number(inside.y()), "click", "1"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return count(m_heardLocally, MouseEventType::leftUp) == 1; }));
    EXPECT_TRUE(has(m_heardLocally, MouseEventType::leftDown, desktop(inside.x(), inside.y())));
    // Hovering over the panel is the local monitors' too, as a list's rows need it.
    xdotool({"mousemove_relative", "3", "0"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] {
        return has(m_heardLocally, MouseEventType::moved, desktop(inside.x() + 3, inside.y()));
    }));

    // The server sends the raw events in order: once the next click is heard, this one would have been.
    const QPoint over = through.center();
    xdotool({"mousemove", number(over.x()), number(over.y()), "click", "1"});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return count(m_heardGlobally, MouseEventType::leftUp) == 1; }));
    EXPECT_EQ(count(m_heardGlobally, MouseEventType::leftDown), 1) << "the global monitor heard the click on our panel";
    EXPECT_TRUE(has(m_heardGlobally, MouseEventType::leftDown, desktop(over.x(), over.y())));
    EXPECT_EQ(count(m_heardLocally, MouseEventType::leftDown), 1) << "the click-through panel took the click";
}

// Raw events name the physical button; a left-handed mapping makes the left one the right.
TEST_F(MouseTest, TheButtonMappingDecidesWhichButtonWasPressed) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    auto* reply = xcb_get_pointer_mapping_reply(connection, xcb_get_pointer_mapping(connection), nullptr);
    ASSERT_NE(reply, nullptr);
    const std::vector<std::uint8_t> original(xcb_get_pointer_mapping_map(reply),
                                             xcb_get_pointer_mapping_map(reply) + xcb_get_pointer_mapping_map_length(reply));
    std::free(reply);
    ASSERT_GE(original.size(), 3u);
    std::vector<std::uint8_t> swapped = original;
    std::swap(swapped[0], swapped[2]);
    const auto setMapping = [&](const std::vector<std::uint8_t>& map) {
        std::free(xcb_set_pointer_mapping_reply(
            connection, xcb_set_pointer_mapping(connection, static_cast<std::uint8_t>(map.size()), map.data()), nullptr));
    };
    setMapping(swapped);
    xdotool({"mousemove", "500", "500", "click", "1"});
    const bool heard = DesktopProbe::waitUntil([&] { return count(m_heardGlobally, MouseEventType::rightDown) == 1; });
    setMapping(original);
    xcb_disconnect(connection);
    ASSERT_TRUE(heard);
    EXPECT_EQ(count(m_heardGlobally, MouseEventType::leftDown), 0);
}

TEST_F(MouseTest, EveryNewDragSourceCountsOnce) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_window_t source = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, source, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const char* name = "XdndSelection";
    auto* atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    ASSERT_NE(atom, nullptr);
    const xcb_atom_t selection = atom->atom;
    std::free(atom);

    const int start = m_mouse->dragPasteboardChangeCount();
    xcb_set_selection_owner(connection, source, selection, XCB_CURRENT_TIME);
    xcb_flush(connection);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_mouse->dragPasteboardChangeCount() == start + 1; }));
    // Giving the selection up starts no drag; the next drag counts.
    xcb_set_selection_owner(connection, XCB_NONE, selection, XCB_CURRENT_TIME);
    xcb_set_selection_owner(connection, source, selection, XCB_CURRENT_TIME);
    xcb_flush(connection);
    // The notifications come in order: once the second drag has counted, the release has been read.
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_mouse->dragPasteboardChangeCount() >= start + 2; }));
    EXPECT_EQ(m_mouse->dragPasteboardChangeCount(), start + 2);
    xcb_disconnect(connection);
}

}  // namespace
}  // namespace tarnlet::linux_tests
