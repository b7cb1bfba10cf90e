#include "platform/sim/SimPowerAssertions.h"

#include <algorithm>

namespace tarnlet::sim {

std::optional<std::map<int, std::vector<std::string>>> SimPowerAssertions::assertionsByProcess() const {
    if (!m_queryAvailable) return std::nullopt;
    std::map<int, std::vector<std::string>> byProcess;
    for (const Held& held : m_held) byProcess[held.pid].push_back(held.type);
    return byProcess;
}

PowerAssertionCreation SimPowerAssertions::create(const std::string& type, const std::string& reason) {
    if (m_failure != 0) return {std::nullopt, m_failure};
    const PowerAssertionID id = m_nextID++;
    m_held.push_back({id, m_ownPID, type, reason});
    record("create " + type);
    return {id, 0};
}

void SimPowerAssertions::release(PowerAssertionID id) {
    const auto it = std::find_if(m_held.begin(), m_held.end(), [&](const Held& h) { return h.id == id; });
    if (it == m_held.end()) return;
    if (it->pid == m_ownPID) record("release " + it->type);
    m_held.erase(it);
}

void SimPowerAssertions::record(std::string change) {
    m_history.push_back(std::move(change));
    if (onChange) onChange(m_history.back());
}

PowerAssertionID SimPowerAssertions::holdFor(int pid, const std::string& type, const std::string& reason) {
    const PowerAssertionID id = m_nextID++;
    m_held.push_back({id, pid, type, reason});
    return id;
}

void SimPowerAssertions::releaseAllOf(int pid) {
    std::erase_if(m_held, [&](const Held& h) { return h.pid == pid; });
}

std::vector<SimPowerAssertions::Held> SimPowerAssertions::ownAssertions() const {
    std::vector<Held> own;
    std::copy_if(m_held.begin(), m_held.end(), std::back_inserter(own), [&](const Held& h) { return h.pid == m_ownPID; });
    return own;
}

}  // namespace tarnlet::sim
