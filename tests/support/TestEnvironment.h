#pragma once
// A simulated desktop in a fresh sandbox home that is removed afterwards. Tests drive the virtual
// clock through desktop().advanceBy().

#include <filesystem>
#include <memory>
#include <string>

#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"

namespace tarnlet::test {

// A fresh empty folder under the system's temporary folder, removed when this is destroyed.
class TempDir : public TemporaryFolder {
public:
    TempDir();
};

class TestEnvironment {
public:
    TestEnvironment();
    sim::SimDesktop& desktop() { return *m_desktop; }
    const std::filesystem::path& home() const { return m_home.path(); }

private:
    TempDir m_home;
    std::unique_ptr<sim::SimDesktop> m_desktop;
};

// A screen with a frame and a visible frame (dock and menu bar taken off), for placement tests.
inline Screen makeScreen(std::uint32_t id, Rect frame, Rect visible) {
    Screen s;
    s.displayID = id;
    s.frame = frame;
    s.visibleFrame = visible;
    return s;
}

// The whole contents of a file, or "" when it cannot be read.
std::string readText(const std::filesystem::path& file);
void writeText(const std::filesystem::path& file, const std::string& text);

}  // namespace tarnlet::test
