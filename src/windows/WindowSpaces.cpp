#include "windows/WindowSpaces.h"

#include <algorithm>

#include "diagnostics/Log.h"

namespace tarnlet {

WindowSpaces::WindowSpaces(const WindowServer& server) : m_entryPoints(server.spaceEntryPoints()) {
    m_symbolsResolved = m_entryPoints.isResolved();
    if (m_symbolsResolved) {
        m_connection = m_entryPoints.mainConnectionID();
    } else {
        // Keep none of a partial set, so no lookup runs half-resolved.
        m_entryPoints = {};
        Log::error("SkyLight Spaces API unavailable; falling back to Accessibility-only window counting");
    }
}

std::uint64_t WindowSpaces::activeSpace() const {
    return m_symbolsResolved ? m_entryPoints.activeSpace(m_connection) : 0;
}

std::optional<std::vector<std::uint64_t>> WindowSpaces::spacesOf(std::uint32_t windowID) const {
    if (!m_symbolsResolved) return std::nullopt;
    return m_entryPoints.copySpacesForWindows(m_connection, WindowServer::kAllSpacesMask, {windowID});
}

bool WindowSpaces::isOnOtherSpace(std::uint32_t windowID, std::uint64_t activeSpace) const {
    const auto spaces = spacesOf(windowID);
    if (!spaces || spaces->empty()) return false;
    return std::find(spaces->begin(), spaces->end(), activeSpace) == spaces->end();
}

std::optional<std::uint64_t> WindowSpaces::otherSpace(std::uint32_t windowID, std::uint64_t activeSpace) const {
    const auto spaces = spacesOf(windowID);
    if (!spaces) return std::nullopt;
    const auto it = std::find_if(spaces->begin(), spaces->end(), [&](std::uint64_t s) { return s != activeSpace; });
    if (it == spaces->end()) return std::nullopt;
    return *it;
}

}  // namespace tarnlet
