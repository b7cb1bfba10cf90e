// The keyboard tools of the real program on the test desktop, used as a user uses them: keys
// pressed with xdotool, an xterm as the application, and what the X server shows read back.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "linux/system/SystemTestSupport.h"
#include "platform/FileIO.h"

namespace tarnlet {
namespace {

QString xdotool(const QStringList& arguments) { return test::runProgram("xdotool", arguments); }

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry geometry(const QString& window) {
    std::map<QString, int> values;
    for (const QString& line : xdotool({"getwindowgeometry", "--shell", window}).split('\n')) {
        const auto parts = line.split('=');
        if (parts.size() == 2) values[parts[0]] = parts[1].toInt();
    }
    return {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

class LinuxDesktopTools : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "needs an X server and a session bus (run under scripts/desktop-session)";
        test::ensureQtApplication();
    }
    void TearDown() override {
        for (QProcess* process : {&m_terminal, &m_tarnlet}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->terminate();
            if (!process->waitForFinished(20000)) process->kill();
        }
    }

    // Tarnlet with these settings on, running and logging.
    void start(const std::vector<std::string>& switches) {
        ASSERT_EQ(test::runTarnlet(m_home, {"settings", "set", "diagnostics.logging", "true"}), 0);
        for (const std::string& key : switches)
            ASSERT_EQ(test::runTarnlet(m_home, {"settings", "set", QString::fromStdString(key), "true"}), 0);
        test::startTarnlet(m_tarnlet, m_home, {});
        ASSERT_TRUE(test::waitUntil([&] { return logContains("Feature "); }))
            << m_tarnlet.readAllStandardError().toStdString();
    }
    bool logContains(const std::string& text) const {
        return FileIO::readFile(m_home.logFile()).value_or("").find(text) != std::string::npos;
    }

    // An xterm with the focus that writes the lines typed into it to a file and pastes the
    // clipboard on Control-V, as most applications do; a first line is typed until it arrives.
    QString openTerminal() {
        m_typed = m_folder.filePath("typed.txt").toStdString();
        m_terminal.start("xterm", {"-geometry", "80x24+100+100", "-xrm",
                                   "XTerm*VT100.translations: #override Ctrl<Key>v: insert-selection(CLIPBOARD)",
                                   "-e", "sh", "-c", "cat > " + m_folder.filePath("typed.txt")});
        EXPECT_TRUE(m_terminal.waitForStarted());
        const QString window = xdotool({"search", "--sync", "--pid", QString::number(m_terminal.processId())});
        xdotool({"windowactivate", "--sync", window});
        EXPECT_TRUE(test::waitUntil([&] {
            if (!lines().empty()) return true;
            xdotool({"key", "period", "Return"});
            return test::waitUntil([&] { return !lines().empty(); }, 1);
        })) << "the xterm takes no keys";
        m_skipped = lines().size();
        return window;
    }
    std::vector<std::string> lines() const {
        std::ifstream file(m_typed);
        std::vector<std::string> out;
        for (std::string line; std::getline(file, line);)
            if (!file.eof()) out.push_back(line);
        return out;
    }
    // The first line typed after the xterm took keys, once its Return has come.
    std::string typedLine() const {
        std::vector<std::string> all;
        test::waitUntil([&] { return (all = lines()).size() > m_skipped; });
        return all.size() > m_skipped ? all[m_skipped] : std::string();
    }
    // Tarnlet's panels on screen (they carry its name), all or those reaching the top of the screen.
    static int panels(bool atTheTopOnly = false) {
        int count = 0;
        for (const QString& window : xdotool({"search", "--onlyvisible", "--name", "^Tarnlet$"}).split('\n'))
            if (!window.isEmpty() && (!atTheTopOnly || geometry(window).y <= 2)) ++count;
        return count;
    }
    static int panelsAtTheTop() { return panels(true); }

    test::PrivateHome m_home;
    QProcess m_tarnlet;
    QTemporaryDir m_folder;
    QProcess m_terminal;
    std::string m_typed;
    std::size_t m_skipped = 0;
};

// Control-Option-Left (Control-Alt-Left here) places the focused window on the left half of the
// work area, pressed again on two thirds, then one third; Return maximises, Backspace restores.
// An xterm sizes in whole character cells, so its width may fall short by one cell and the frame.
TEST_F(LinuxDesktopTools, SnapShortcutsPlaceTheFocusedWindow) {
    start({"snap.isEnabled"});
    ASSERT_TRUE(test::waitUntil([&] { return logContains("Feature Snap: ON"); }));
    const QString window = openTerminal();
    const Geometry before = geometry(window);
    const int screenWidth = xdotool({"getdisplaygeometry"}).split(' ').value(0).toInt();
    ASSERT_GT(screenWidth, 0);

    const auto snapped = [&](const char* keys, double share) {
        xdotool({"key", keys});
        const int wanted = static_cast<int>(screenWidth * share);
        return test::waitUntil([&] {
            const Geometry now = geometry(window);
            return now.x <= 12 && now.width <= wanted && now.width >= wanted - 40;
        });
    };
    EXPECT_TRUE(snapped("ctrl+alt+Left", 0.5)) << "left half: width " << geometry(window).width;
    EXPECT_TRUE(snapped("ctrl+alt+Left", 2.0 / 3)) << "two thirds: width " << geometry(window).width;
    EXPECT_TRUE(snapped("ctrl+alt+Left", 1.0 / 3)) << "one third: width " << geometry(window).width;
    xdotool({"key", "ctrl+alt+Return"});
    EXPECT_TRUE(test::waitUntil([&] { return geometry(window).width >= screenWidth - 40; })) << "not maximised";
    xdotool({"key", "ctrl+alt+BackSpace"});
    EXPECT_TRUE(test::waitUntil([&] {
        const Geometry now = geometry(window);
        return std::abs(now.width - before.width) <= 12 && std::abs(now.x - before.x) <= 12;
    })) << "not restored: x " << geometry(window).x << " width " << geometry(window).width;
}

// Holding the right-hand feature leader (right Super with Alt) shows the strip of feature keys at
// the top of the screen; its letter acts and never reaches the focused xterm, while plain keys do.
TEST_F(LinuxDesktopTools, TheLeaderShowsItsStripAndKeepsItsLetterFromTheApplication) {
    start({});
    openTerminal();
    ASSERT_EQ(panelsAtTheTop(), 0);
    xdotool({"type", "x"});
    xdotool({"keydown", "Super_R", "keydown", "Alt_L"});
    EXPECT_TRUE(test::waitUntil([&] { return panelsAtTheTop() > 0; }, 10)) << "no strip while the leader is held";
    xdotool({"key", "a"});
    xdotool({"keyup", "Alt_L", "keyup", "Super_R"});
    xdotool({"type", "y"});
    xdotool({"key", "Return"});
    EXPECT_EQ(typedLine(), "xy");
    EXPECT_TRUE(test::waitUntil([&] { return logContains("Awake session started"); })) << "the letter did not act";
    EXPECT_TRUE(test::waitUntil([&] { return panelsAtTheTop() == 0; }, 10)) << "the strip stayed";
}

// A held Control-V opens the clipboard picker over the focused xterm; a digit pastes that entry
// into it, and the keyboard is the user's again afterwards.
TEST_F(LinuxDesktopTools, AHeldPasteOpensThePickerAndADigitPastesItsEntry) {
    start({"clipboard.isEnabled"});
    ASSERT_TRUE(test::waitUntil([&] { return logContains("Clipboard activated"); }));
    const auto copy = [&](const std::string& text) {
        test::putOnClipboard(text);
        xdotool({"key", "ctrl+c"});
        const auto path = m_home.path() / "data" / "Tarnlet" / "Clipboard.json";
        ASSERT_TRUE(test::waitUntil([&] { return FileIO::readFile(path).value_or("").find(text) != std::string::npos; }));
    };
    copy("older entry");
    copy("newest entry");
    openTerminal();

    const int before = panels();
    xdotool({"keydown", "ctrl", "keydown", "v"});
    EXPECT_TRUE(test::waitUntil([&] { return panels() > before; }, 10)) << "no picker while Control-V is held";
    xdotool({"keyup", "v", "keyup", "ctrl"});
    xdotool({"key", "2"});
    EXPECT_TRUE(test::waitUntil([&] { return panels() == before; }, 10)) << "the picker stayed";
    // The xterm fetches what it pastes from the clipboard's owner; the line ends once it has.
    test::waitUntil([] { return false; }, 1.0);
    xdotool({"type", "!"});
    xdotool({"key", "Return"});
    EXPECT_EQ(typedLine(), "older entry!");
}

// Control-Alt-Shift-C opens the colour loupe over the screen; a click copies the colour under the
// pointer as the core writes it.
TEST_F(LinuxDesktopTools, TheColourShortcutOpensTheLoupeAndAClickCopiesTheColour) {
    start({"colorPicker.isEnabled"});
    ASSERT_TRUE(test::waitUntil([&] { return logContains("Feature Color: ON"); }));
    m_terminal.start("xterm", {"-geometry", "60x15+400+300", "-bg", "#3366CC", "-e", "sleep", "60"});
    ASSERT_TRUE(m_terminal.waitForStarted());
    const QString window = xdotool({"search", "--sync", "--pid", QString::number(m_terminal.processId())});
    xdotool({"windowactivate", "--sync", window});
    const int before = panels();
    xdotool({"key", "ctrl+alt+shift+c"});
    // The loupe is a window of its own, not a panel: the pointer's move and click reach it.
    test::waitUntil([] { return false; }, 1.0);
    const Geometry frame = geometry(window);
    xdotool({"mousemove", QString::number(frame.x + 100), QString::number(frame.y + 50)});
    xdotool({"mousemove_relative", "1", "1"});
    xdotool({"click", "1"});
    EXPECT_TRUE(test::waitUntil([&] { return test::clipboardText() == "#3366CC"; })) << test::clipboardText();
    // The loupe is gone; a chip telling of the copy may show a moment.
    EXPECT_TRUE(test::waitUntil([&] { return panels() == before; }, 10));
}

}  // namespace
}  // namespace tarnlet
