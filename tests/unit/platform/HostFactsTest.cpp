#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/host/HostFolders.h"
#include "platform/host/HostSystemFacts.h"
#include "platform/host/HostSystemLog.h"
#include "support/TestEnvironment.h"

namespace tarnlet::host {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the previous values back afterwards.
class ScopedEnvironment {
public:
    ~ScopedEnvironment() {
        for (const auto& [name, value] : m_saved) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
    }
    void set(const std::string& name, const std::optional<std::string>& value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) ::setenv(name.c_str(), value->c_str(), 1);
        else ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

class HostFoldersTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScopedEnvironment env;
    fs::path home() const { return dir.path() / "home"; }
    void SetUp() override {
        env.set("HOME", home().string());
        for (const char* name : {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DESKTOP_DIR", "TMPDIR"})
            env.set(name, std::nullopt);
    }
};

TEST_F(HostFoldersTest, FallbacksLiveUnderTheHomeFolder) {
    HostFolders folders;
    EXPECT_EQ(folders.home(), home());
    EXPECT_EQ(folders.applicationSupport(), home() / ".local" / "share");
    EXPECT_EQ(folders.logs(), home() / ".local" / "state" / "Tarnlet");
    EXPECT_EQ(folders.preferences(), home() / ".config" / "Tarnlet");
    EXPECT_EQ(folders.desktop(), home() / "Desktop");
    EXPECT_EQ(folders.temporary(), fs::path("/tmp"));
}

TEST_F(HostFoldersTest, AbsoluteVariablesWin) {
    env.set("XDG_DATA_HOME", "/data");
    env.set("XDG_STATE_HOME", "/state");
    env.set("XDG_CONFIG_HOME", "/config");
    env.set("XDG_DESKTOP_DIR", "/desk");
    env.set("TMPDIR", "/scratch");
    HostFolders folders;
    EXPECT_EQ(folders.applicationSupport(), fs::path("/data"));
    EXPECT_EQ(folders.logs(), fs::path("/state/Tarnlet"));
    EXPECT_EQ(folders.preferences(), fs::path("/config/Tarnlet"));
    EXPECT_EQ(folders.desktop(), fs::path("/desk"));
    EXPECT_EQ(folders.temporary(), fs::path("/scratch"));
}

TEST_F(HostFoldersTest, RelativeOrEmptyVariablesAreIgnored) {
    env.set("XDG_DATA_HOME", "data");
    env.set("XDG_STATE_HOME", "");
    env.set("XDG_CONFIG_HOME", "./config");
    env.set("XDG_DESKTOP_DIR", "Desktop2");
    env.set("TMPDIR", "tmp");
    HostFolders folders;
    EXPECT_EQ(folders.applicationSupport(), home() / ".local" / "share");
    EXPECT_EQ(folders.logs(), home() / ".local" / "state" / "Tarnlet");
    EXPECT_EQ(folders.preferences(), home() / ".config" / "Tarnlet");
    EXPECT_EQ(folders.desktop(), home() / "Desktop");
    EXPECT_EQ(folders.temporary(), fs::path("/tmp"));
}

TEST_F(HostFoldersTest, UnusableHomeFallsBackToThePasswordDatabase) {
    struct passwd* entry = ::getpwuid(::getuid());
    if (!entry || !entry->pw_dir || entry->pw_dir[0] != '/') GTEST_SKIP() << "no password entry for this user";
    const fs::path expected = entry->pw_dir;
    env.set("HOME", "relative/home");
    EXPECT_EQ(HostFolders().home(), expected);
    env.set("HOME", std::nullopt);
    EXPECT_EQ(HostFolders().home(), expected);
}

TEST_F(HostFoldersTest, DesktopComesFromTheUserDirsFileUnlessTheVariableIsSet) {
    test::writeText(home() / ".config" / "user-dirs.dirs",
                    "# written by xdg-user-dirs-update\n"
                    "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                    "XDG_DESKTOP_DIR=\"relative/ignored\"\n"
                    "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(HostFolders().desktop(), home() / "Schreibtisch");

    test::writeText(home() / ".config" / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"/srv/shared desk\"\n");
    EXPECT_EQ(HostFolders().desktop(), fs::path("/srv/shared desk"));

    env.set("XDG_DESKTOP_DIR", "/from/env");
    EXPECT_EQ(HostFolders().desktop(), fs::path("/from/env"));
}

TEST_F(HostFoldersTest, PrivateFoldersAreCreatedForTheOwnerOnly) {
    env.set("XDG_CONFIG_HOME", (dir.path() / "config").string());
    HostFolders folders;
    ASSERT_TRUE(folders.createPrivateFolders());
    for (const fs::path& folder : {folders.applicationSupport() / "Tarnlet", folders.logs(), folders.preferences(),
                                   home() / ".local", dir.path() / "config"}) {
        struct stat info {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0) << folder;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
    // A folder the user made already keeps its mode.
    ::chmod(folders.logs().c_str(), 0750);
    ASSERT_TRUE(folders.createPrivateFolders());
    struct stat info {};
    ASSERT_EQ(::stat(folders.logs().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
}

TEST(HostSystemFactsTest, DistributionNameComesFromOsRelease) {
    using Release = HostSystemFacts::OsRelease;
    EXPECT_EQ(HostSystemFacts::osFromRelease("NAME=\"Debian GNU/Linux\"\nVERSION=\"12 (bookworm)\"\n"
                                             "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              (Release{"Debian GNU/Linux", "12 (bookworm)"}));
    EXPECT_EQ(HostSystemFacts::osFromRelease("# comment\nNAME='Foo OS'\nVERSION_ID=3.1\n"), (Release{"Foo OS", "3.1"}));
    EXPECT_EQ(HostSystemFacts::osFromRelease("PRETTY_NAME=\"Rolling\"\n"), (Release{"Rolling", ""}));
    EXPECT_EQ(HostSystemFacts::osFromRelease("ID=foo\n"), std::nullopt);
    EXPECT_EQ(HostSystemFacts::modelFromFirmware("ThinkPad X1 Carbon\n"), "ThinkPad X1 Carbon");
    EXPECT_EQ(HostSystemFacts::modelFromFirmware("To Be Filled By O.E.M.\n"), std::nullopt);
    EXPECT_EQ(HostSystemFacts::modelFromFirmware(std::string("Raspberry Pi 4 Model B\0", 23)), "Raspberry Pi 4 Model B");
}

TEST(HostSystemFactsTest, MachineFactsAreSane) {
    HostSystemFacts facts;
    const MachineFacts machine = facts.machine();
    EXPECT_GT(machine.cores, 0u);
    EXPECT_GT(machine.memoryBytes, 0u);
    EXPECT_FALSE(machine.architecture.empty());
    EXPECT_NE(machine.architecture, "aarch64");  // spelled the reference platform's way
    EXPECT_FALSE(machine.translated);
    EXPECT_FALSE(machine.osName.empty());
    EXPECT_EQ(facts.words().computer, "computer");
    if (machine.model) {
        EXPECT_FALSE(machine.model->empty());
        EXPECT_EQ(machine.model->find('\0'), std::string::npos);
        EXPECT_NE(machine.model->back(), '\n');
        EXPECT_NE(machine.model->front(), ' ');
    }
    EXPECT_EQ(facts.bundleIdentifier(), "app.tarnletapp.Tarnlet");
}

TEST(HostSystemLogTest, TextWithFormatDirectivesIsLoggedAsData) {
    HostSystemLog log;
    // Were the text used as a format, "%n" would write through a garbage pointer and "%s" read one.
    log.debug("Tarnlet test: %s %n %x %%");
    log.error(std::string_view("not terminated %s%s%s", 14));
}

}  // namespace
}  // namespace tarnlet::host
