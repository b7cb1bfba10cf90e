#pragma once
// A fresh, empty folder of its own under the system's temporary folder, removed with everything in
// it when this object is destroyed. For sandbox homes, scratch space and tests. Any thread.

#include <filesystem>
#include <string>

namespace tarnlet {

class TemporaryFolder {
public:
    // prefix names the folder ("tarnlet-sim" gives /tmp/tarnlet-sim-Ab12Cd). path() is empty when
    // the folder could not be created.
    explicit TemporaryFolder(const std::string& prefix = "tarnlet");
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace tarnlet
