#include "support/TestEnvironment.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarnlet::test {

TempDir::TempDir() : TemporaryFolder("tarnlet-test") {
    if (path().empty()) throw std::runtime_error("cannot create a temporary folder");
}

TestEnvironment::TestEnvironment() : m_desktop(std::make_unique<sim::SimDesktop>(m_home.path())) {}

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeText(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace tarnlet::test
