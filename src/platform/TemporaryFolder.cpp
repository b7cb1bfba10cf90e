#include "platform/TemporaryFolder.h"

#include <cstdlib>

namespace tarnlet {

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::error_code ec;
    const auto parent = std::filesystem::temp_directory_path(ec);
    if (ec) return;
    std::string pattern = (parent / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data())) m_path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    if (m_path.empty()) return;
    std::error_code ignored;
    // Whatever was made read-only inside (tests do that) must not keep the folder alive.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace tarnlet
