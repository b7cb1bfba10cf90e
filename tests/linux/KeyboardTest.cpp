// The keyboard on a real X server: taps hear what xdotool types, filtering taps keep exactly what
// they claimed from an xterm and leave everything else to it, AltGr keeps typing on a German
// layout, posted keys come back marked, and hot keys fire or are refused when another client holds
// them. The xterms write what they receive to a file (`cat > FILE`), read once Return has come.

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "DesktopProbe.h"
#include "RecordingLog.h"
#include "platform/HotKeys.h"
#include "platform/linux/X11EventTaps.h"
#include "platform/linux/X11HotKeys.h"

namespace tarnlet::linux_tests {
namespace {

using linux_desktop::X11EventTaps;
using linux_desktop::X11HotKeys;
namespace F = ModifierFlag;

constexpr std::uint16_t kA = 0, kB = 11, kC = 8, kE = 14, kK = 40, kQ = 12, kU = 32, kX = 7;

int xdotool(const QStringList& arguments) { return DesktopProbe::run("xdotool", arguments); }

class LinuxKeyboard : public testing::Test {
protected:
    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
        m_taps = std::make_unique<X11EventTaps>(m_log);
        ASSERT_TRUE(m_taps->isAvailable()) << "the X server lacks XInput2, XKB or XTest";
    }
    void TearDown() override {
        if (m_terminal.state() != QProcess::NotRunning) {
            m_terminal.kill();
            m_terminal.waitForFinished();
        }
    }

    // An xterm that writes the lines typed into it to a file, with the focus, and taking keys: a
    // first line is typed until it arrives (a window can be active before its keys reach it).
    void openTerminal() {
        const QString title = "tarnlet-keys-" + QString::number(++s_terminals);
        m_typed = m_folder.filePath("typed.txt").toStdString();
        m_terminal.start("xterm", {"-T", title, "-e", "sh", "-c", "cat > " + m_folder.filePath("typed.txt")});
        ASSERT_TRUE(m_terminal.waitForStarted());
        ASSERT_TRUE(DesktopProbe::waitUntil([&] {
            QProcess name;
            name.start("xdotool", {"getactivewindow", "getwindowname"});
            return name.waitForFinished() && name.readAllStandardOutput().trimmed() == title.toUtf8();
        })) << "the xterm never got the focus";
        ASSERT_TRUE(DesktopProbe::waitUntil([&] {
            if (!readLines().empty()) return true;
            xdotool({"key", "period", "Return"});
            return DesktopProbe::waitUntil([&] { return !readLines().empty(); }, 1);
        })) << "the xterm takes no keys";
        m_skipped = readLines().size();
    }

    std::vector<std::string> readLines() const {
        std::ifstream file(m_typed);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            if (!file.eof()) lines.push_back(line);
        return lines;
    }

    // The first line the test typed into the xterm, once its Return has come.
    std::string typedLine() const {
        std::vector<std::string> lines;
        DesktopProbe::waitUntil([&] { return (lines = readLines()).size() > m_skipped; });
        return lines.size() > m_skipped ? lines[m_skipped] : std::string();
    }

    // A tap that keeps every event it is offered.
    std::unique_ptr<EventTap> recorder(std::vector<InputEvent>& events, X11EventTaps& taps) {
        const EventMask mask = maskOf(EventType::keyDown) | maskOf(EventType::keyUp) | maskOf(EventType::flagsChanged);
        return taps.createTap(mask, TapMode::listenOnly, [&events](const InputEvent& event) {
            events.push_back(event);
            return TapDecision::pass;
        });
    }

    static inline int s_terminals = 0;
    RecordingLog m_log;
    std::unique_ptr<X11EventTaps> m_taps;
    QTemporaryDir m_folder;
    QProcess m_terminal;
    std::string m_typed;
    std::size_t m_skipped = 0;  // the lines typed to see that the xterm takes keys
};

const InputEvent* find(const std::vector<InputEvent>& events, EventType type, std::uint16_t code) {
    const auto found = std::find_if(events.begin(), events.end(),
                                    [&](const InputEvent& e) { return e.type == type && e.keyCode == code; });
    return found == events.end() ? nullptr : &*found;
}

// Keys typed through xdotool are the user's: their codes are the key positions, their flags tell
// right from left, and they carry no marker although xdotool types through XTest too.
TEST_F(LinuxKeyboard, ListenTapHearsTypedKeysWithCodesAndFlags) {
    std::vector<InputEvent> events;
    auto tap = recorder(events, *m_taps);
    ASSERT_NE(tap, nullptr);
    ASSERT_EQ(xdotool({"keydown", "Super_R", "key", "shift+a", "keyup", "Super_R"}), 0);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return events.size() >= 6; }));

    const InputEvent* superDown = find(events, EventType::flagsChanged, 54);
    ASSERT_NE(superDown, nullptr);
    EXPECT_EQ(superDown->flags & (F::rightCommand | F::command), F::rightCommand | F::command);
    const InputEvent* a = find(events, EventType::keyDown, kA);
    ASSERT_NE(a, nullptr);
    // (xdotool presses the left Super key along with the right one, so the left bit is left out.)
    constexpr std::uint64_t kChecked = F::rightCommand | F::command | F::leftShift | F::rightShift | F::shift |
                                       F::option | F::control | F::capsLock;
    EXPECT_EQ(a->flags & kChecked, F::rightCommand | F::command | F::leftShift | F::shift);
    EXPECT_EQ(a->characters, "A");
    EXPECT_EQ(a->userData, 0);
    ASSERT_NE(find(events, EventType::keyUp, kA), nullptr);
    EXPECT_EQ(events.back().type, EventType::flagsChanged);
    EXPECT_EQ(events.back().flags & ~F::nonCoalesced, 0u) << "every modifier is up again";
}

// Posted keys reach the focused window with the modifiers their flags ask for, and come back to
// the taps with the marker; the Shift pressed for them is no change of the user's modifiers.
TEST_F(LinuxKeyboard, PostedKeysCarryTheMarkerAndTheirFlags) {
    openTerminal();
    std::vector<InputEvent> events;
    auto tap = recorder(events, *m_taps);
    for (const auto& [code, flags] : {std::pair{kB, F::shift}, std::pair{kC, std::uint64_t{0}}}) {
        InputEvent event;
        event.keyCode = code;
        event.flags = flags;
        event.userData = kSyntheticEventMarker;
        for (const EventType type : {EventType::keyDown, EventType::keyUp}) {
            event.type = type;
            m_taps->post(event);
        }
    }
    ASSERT_EQ(xdotool({"key", "Return"}), 0);
    EXPECT_EQ(typedLine(), "Bc");

    const InputEvent* b = find(events, EventType::keyDown, kB);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->userData, kSyntheticEventMarker);
    EXPECT_EQ(b->flags, F::shift);
    EXPECT_EQ(find(events, EventType::flagsChanged, 56), nullptr);
    const InputEvent* ret = find(events, EventType::keyDown, 36);
    ASSERT_NE(ret, nullptr);
    EXPECT_EQ(ret->userData, 0) << "xdotool's Return is the user's";
}

// Filtering taps keep from the xterm exactly the keys they swallow among those claimed: a chord
// key under the right Super key or the Menu key, a Shift combination (with Caps Lock on too), and
// any key while the keyboard is claimed; everything else reaches the xterm, replayed untouched. A
// Menu key pressed alone reaches it too (xterm types it as ESC [ 2 9 ~).
TEST_F(LinuxKeyboard, FilteringTapsSwallowWhatTheyClaimAndReplayTheRest) {
    openTerminal();
    auto leaders = m_taps->claimKeys(KeyClaim::underLeaders(F::rightCommand | F::rightOption, {kQ, kE}));
    auto shiftB = m_taps->claimKeys(KeyClaim::withModifiers(F::shift, {kB}));
    std::vector<InputEvent> filtered;
    auto filter = m_taps->createTap(maskOf(EventType::keyDown) | maskOf(EventType::keyUp), TapMode::filtering,
                                    [&filtered](const InputEvent& event) {
                                        filtered.push_back(event);
                                        const bool chord = event.keyCode == kQ && (event.flags & F::rightCommand);
                                        const bool shifted = event.keyCode == kB && (event.flags & F::shift);
                                        return chord || shifted || event.keyCode == kX ? TapDecision::swallow
                                                                                      : TapDecision::pass;
                                    });
    ASSERT_EQ(xdotool({"keydown", "Super_R", "key", "q", "keyup", "Super_R", "key", "q"}), 0);
    ASSERT_EQ(xdotool({"keydown", "Menu", "key", "q", "e", "keyup", "Menu", "key", "Menu"}), 0);
    ASSERT_EQ(xdotool({"key", "shift+b", "shift+c", "Caps_Lock", "shift+b", "Caps_Lock", "x"}), 0);
    {
        auto keyboard = m_taps->claimKeys(KeyClaim::keyboard());
        ASSERT_EQ(xdotool({"key", "x", "k"}), 0);
        // Decided before the claim ends, or the keys would simply go on once it has.
        ASSERT_TRUE(DesktopProbe::waitUntil([&] { return find(filtered, EventType::keyUp, kK) != nullptr; }));
    }
    ASSERT_EQ(xdotool({"key", "x", "Return"}), 0);
    EXPECT_EQ(typedLine(), "qe\x1b[29~Cxkx");
}

// A German layout's AltGr types its characters although the leaders are claimed, and the right
// Super key still leads; the taps follow the layout switched while they run.
TEST_F(LinuxKeyboard, AltGrStillTypesOnAGermanLayout) {
    constexpr std::uint32_t kAltRight = 0xffea;
    ASSERT_FALSE(m_taps->keymap().keycodesFor(kAltRight).empty()) << "the test desktop starts with a US layout";
    ASSERT_EQ(DesktopProbe::run("setxkbmap", {"de"}), 0);
    struct Restore {
        ~Restore() { DesktopProbe::run("setxkbmap", {"us"}); }
    } restore;
    // The right Alt key has become AltGr.
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_taps->keymap().keycodesFor(kAltRight).empty(); }));

    openTerminal();
    auto leaders = m_taps->claimKeys(KeyClaim::underLeaders(F::rightCommand | F::rightOption, {kQ, kE}));
    auto filter = m_taps->createTap(maskOf(EventType::keyDown) | maskOf(EventType::keyUp), TapMode::filtering,
                                    [](const InputEvent& event) {
                                        return event.flags & (F::rightCommand | F::rightOption) ? TapDecision::swallow
                                                                                               : TapDecision::pass;
                                    });
    ASSERT_EQ(xdotool({"keydown", "ISO_Level3_Shift", "key", "q", "keyup", "ISO_Level3_Shift"}), 0);
    ASSERT_EQ(xdotool({"keydown", "Super_R", "key", "q", "keyup", "Super_R", "key", "Return"}), 0);
    EXPECT_EQ(typedLine(), "@");
}

// A hot key fires once per press; one another client grabbed first is refused, and one let go is
// free for other clients again.
TEST_F(LinuxKeyboard, HotKeysFireAndAreRefusedWhenHeldElsewhere) {
    X11HotKeys hotKeys(m_taps->keymap(), m_log);
    std::vector<std::uint32_t> pressed;
    Subscription handler = hotKeys.installHandler([&](HotKeyIdentity identity) { pressed.push_back(identity.id); });
    const std::uint32_t controlOption = HotKeyModifier::control | HotKeyModifier::option;
    auto snap = hotKeys.registerHotKey(kU, controlOption, {0x484B4559, 7});
    ASSERT_NE(snap, nullptr);
    EXPECT_EQ(hotKeys.registerHotKey(kU, controlOption, {0x484B4559, 9}), nullptr) << "already ours";
    // Once as it is, once with Num Lock on.
    ASSERT_EQ(xdotool({"key", "ctrl+alt+u", "Num_Lock", "ctrl+alt+u", "Num_Lock"}), 0);
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return pressed.size() >= 2; }));
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{7, 7}));

    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    const auto grab = [&](std::uint16_t code) {
        const auto keycode = m_taps->keymap().keycodeAt(code);
        const std::uint16_t mask = XCB_MOD_MASK_CONTROL | m_taps->keymap().maskFor(F::option);
        xcb_generic_error_t* error = xcb_request_check(
            other, xcb_grab_key_checked(other, 0, root, mask, keycode.value_or(0), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    };
    ASSERT_TRUE(grab(kK));
    EXPECT_EQ(hotKeys.registerHotKey(kK, controlOption, {0x484B4559, 8}), nullptr);
    EXPECT_FALSE(grab(kU)) << "the hot key holds it";
    snap.reset();
    EXPECT_TRUE(grab(kU)) << "let go with its registration";
    xcb_disconnect(other);
}

}  // namespace
}  // namespace tarnlet::linux_tests
