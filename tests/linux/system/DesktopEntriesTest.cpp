// Which desktop entry names a running client, and which application handles folders, from real
// entry files in private XDG folders.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/DesktopEntries.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;
using linux_desktop::ClientIdentity;
using linux_desktop::DesktopEntries;

class DesktopEntriesTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(user() / "applications");
        fs::create_directories(system() / "applications" / "kde4");
        fs::create_directories(config());
    }

    fs::path user() const { return m_dir.path() / "home-data"; }
    fs::path system() const { return m_dir.path() / "usr-share"; }
    fs::path config() const { return m_dir.path() / "config"; }

    static void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }
    void entry(const fs::path& folder, const std::string& file, const std::string& keys) {
        write(folder / "applications" / file,
              "# comment\n[Desktop Entry]\nType=Application\n" + keys + "\n[Desktop Action new]\nName=Ignored\n");
    }
    DesktopEntries entries() { return DesktopEntries({user(), system()}, {config()}); }

    test::TempDir m_dir;
};

TEST_F(DesktopEntriesTest, ClientsAreMatchedToTheirEntriesOrKnownByTheirClass) {
    entry(system(), "debian-xterm.desktop", "Name=XTerm\nIcon=mini.xterm\nStartupWMClass=XTerm");
    entry(system(), "firefox.desktop", "Name=Firefox\nName[de]=Feuerfuchs\nIcon=firefox");
    entry(system(), "org.gnome.TextEditor.desktop", "Name=Text Editor");
    entry(system(), "org.kde.dolphin.desktop", "Name=Dolphin");
    entry(system(), "kde4/okular.desktop", "Name=Okular");
    DesktopEntries all = entries();

    EXPECT_EQ(all.identify({.instance = "xterm", .className = "XTerm"}), "debian-xterm");
    EXPECT_EQ(all.identify({.instance = "Navigator", .className = "firefox"}), "firefox");
    // Announced identifiers name the entry whatever the class says, installed or not.
    EXPECT_EQ(all.identify({.gtkApplicationId = "org.gnome.TextEditor", .className = "Gnome-text-editor"}),
              "org.gnome.TextEditor");
    EXPECT_EQ(all.identify({.kdeDesktopFile = "org.kde.dolphin.desktop", .className = "dolphin"}), "org.kde.dolphin");
    EXPECT_EQ(all.identify({.gtkApplicationId = "org.example.Unknown"}), "org.example.Unknown");
    // The last part of a reverse-domain id, and entries in sub-folders (their id joined by '-').
    EXPECT_EQ(all.identify({.instance = "dolphin", .className = "Dolphin"}), "org.kde.dolphin");
    EXPECT_EQ(all.identify({.className = "kde4-okular"}), "kde4-okular");
    // Without a matching entry the class names the application, the same for every instance.
    EXPECT_EQ(all.identify({.instance = "xclock", .className = "XClock"}), "xclock");
    EXPECT_EQ(all.identify({}), std::nullopt);

    const auto* xterm = all.find("debian-xterm");
    ASSERT_NE(xterm, nullptr);
    EXPECT_EQ(xterm->name, "XTerm") << "the name of the [Desktop Entry] group, not of an action";
    EXPECT_EQ(xterm->icon, "mini.xterm");
    EXPECT_EQ(all.find("kde4-okular")->name, "Okular");
    {
        // The user's language picks the entry's translated name, by the language alone when the
        // entry has no name for the country.
        const char* saved = std::getenv("LC_ALL");
        const std::string previous = saved ? saved : "";
        setenv("LC_ALL", "de_AT.UTF-8", 1);
        DesktopEntries german = entries();
        if (saved)
            setenv("LC_ALL", previous.c_str(), 1);
        else
            unsetenv("LC_ALL");
        EXPECT_EQ(german.find("firefox")->name, "Feuerfuchs");
        EXPECT_EQ(german.find("debian-xterm")->name, "XTerm");
    }

    // The user's own entry of an id wins, one marked Hidden deletes it, and a new file is seen.
    entry(user(), "firefox.desktop", "Name=My Firefox");
    entry(user(), "org.kde.dolphin.desktop", "Name=Dolphin\nHidden=true");
    write(user() / "applications" / "broken.desktop", "no group at all\n\xff\xfe");
    EXPECT_EQ(all.find("firefox")->name, "My Firefox");
    EXPECT_EQ(all.find("org.kde.dolphin"), nullptr);
    EXPECT_EQ(all.find("broken"), nullptr);
}

TEST_F(DesktopEntriesTest, TheFileManagerIsTheFirstInstalledDefaultHandlerOfFolders) {
    entry(system(), "org.gnome.Nautilus.desktop", "Name=Files");
    entry(system(), "pcmanfm.desktop", "Name=PCManFM");
    DesktopEntries all = entries();
    EXPECT_EQ(all.fileManager(), std::nullopt);

    write(system() / "applications" / "mimeapps.list",
          "[Default Applications]\ninode/directory=org.gnome.Nautilus.desktop\n");
    EXPECT_EQ(all.fileManager(), "org.gnome.Nautilus");
    // The user's choice comes first; a handler that is not installed is passed over.
    write(config() / "mimeapps.list",
          "[Added Associations]\ninode/directory=other.desktop\n"
          "[Default Applications]\ntext/plain=gedit.desktop\ninode/directory=thunar.desktop;pcmanfm.desktop;\n");
    EXPECT_EQ(all.fileManager(), "pcmanfm");
}

}  // namespace
}  // namespace tarnlet
