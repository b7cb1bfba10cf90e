#pragma once
// The reference desktop's folder layout under a sandbox home:
// Library/Application Support, Library/Logs/Tarnlet, Desktop and tmp.

#include "platform/Folders.h"

namespace tarnlet::sim {

class SimFolders : public Folders {
public:
    explicit SimFolders(std::filesystem::path home) : m_home(std::move(home)) {}
    std::filesystem::path home() const override { return m_home; }
    std::filesystem::path applicationSupport() const override { return m_home / "Library" / "Application Support"; }
    std::filesystem::path logs() const override { return m_home / "Library" / "Logs" / "Tarnlet"; }
    std::filesystem::path temporary() const override { return m_home / "tmp"; }
    std::filesystem::path desktop() const override { return m_home / "Desktop"; }

private:
    std::filesystem::path m_home;
};

}  // namespace tarnlet::sim
