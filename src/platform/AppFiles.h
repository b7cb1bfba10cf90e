#pragma once
// The application's data folder: the user's Application Support folder + "Tarnlet". Each store
// creates its own file or sub-folder in it on first write.

#include <filesystem>

#include "platform/Folders.h"

namespace tarnlet {

class AppFiles {
public:
    explicit AppFiles(const Folders& folders) : m_root(folders.applicationSupport() / "Tarnlet") {}
    const std::filesystem::path& root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

}  // namespace tarnlet
