#include "platform/sim/SimWindowServer.h"

#include <algorithm>

#include "platform/sim/SimApplications.h"

namespace tarnlet::sim {

SimWindowServer::SimWindowServer() { addSpace(0); }

std::optional<std::vector<WindowRecord>> SimWindowServer::windowList(WindowListOptions options) const {
    if (!m_windowListAvailable) return std::nullopt;
    // The simulated session has no desktop-element windows, so excluding them changes nothing.
    if (!m_applications) return std::vector<WindowRecord>{};
    return m_applications->windowRecords(options.onScreenOnly);
}

WindowServer::SpaceEntryPoints SimWindowServer::spaceEntryPoints() const {
    if (!m_spacesAvailable) return {};
    SpaceEntryPoints points;
    points.mainConnectionID = [] { return kConnectionID; };
    points.activeSpace = [this](int connection) -> std::uint64_t {
        // The real call answers 0 for a connection it does not know.
        if (connection != kConnectionID) return 0;
        return activeSpace(0).value_or(0);
    };
    points.copySpacesForWindows = [this](int connection, std::uint32_t mask, const std::vector<std::uint32_t>& ids) {
        return spacesForWindows(connection, mask, ids);
    };
    return points;
}

std::optional<std::vector<std::uint64_t>> SimWindowServer::spacesForWindows(
    int connection, std::uint32_t mask, const std::vector<std::uint32_t>& windowIDs) const {
    if (connection != kConnectionID || !m_applications) return std::nullopt;
    std::vector<std::uint64_t> result;
    for (const std::uint32_t id : windowIDs) {
        const auto spaces = m_applications->windowSpaces(id);
        if (!spaces) continue;  // an unknown window contributes nothing
        for (const std::uint64_t space : *spaces) {
            const bool shown = isSpaceActive(space);
            // Every simulated desktop is a user desktop (bit 4); bits 1 and 2 pick shown and others.
            const bool wanted = (mask & 4) && ((shown && (mask & 1)) || (!shown && (mask & 2)));
            if (wanted && std::find(result.begin(), result.end(), space) == result.end()) result.push_back(space);
        }
    }
    return result;
}

std::uint64_t SimWindowServer::addSpace(int display) {
    const std::uint64_t space = m_nextSpace++;
    m_spaces[display].push_back(space);
    m_active.try_emplace(display, space);
    return space;
}

bool SimWindowServer::activateSpace(std::uint64_t space) {
    for (const auto& [display, list] : m_spaces)
        if (std::find(list.begin(), list.end(), space) != list.end()) {
            m_active[display] = space;
            return true;
        }
    return false;
}

std::optional<std::uint64_t> SimWindowServer::activeSpace(int display) const {
    const auto it = m_active.find(display);
    if (it == m_active.end()) return std::nullopt;
    return it->second;
}

bool SimWindowServer::isSpaceActive(std::uint64_t space) const {
    return std::any_of(m_active.begin(), m_active.end(), [&](const auto& entry) { return entry.second == space; });
}

std::vector<std::uint64_t> SimWindowServer::spaces(int display) const {
    const auto it = m_spaces.find(display);
    return it == m_spaces.end() ? std::vector<std::uint64_t>{} : it->second;
}

}  // namespace tarnlet::sim
