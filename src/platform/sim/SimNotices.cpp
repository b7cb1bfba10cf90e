#include "platform/sim/SimNotices.h"

namespace tarnlet::sim {

void SimNotices::requestAuthorization(std::function<void(bool, std::optional<std::string>)> completion) {
    if (m_error) {
        completion(false, m_error);
        return;
    }
    if (m_status == NoticeAuthorization::notDetermined)
        m_status = m_userAllows ? NoticeAuthorization::authorized : NoticeAuthorization::denied;
    completion(m_status == NoticeAuthorization::authorized, std::nullopt);
}

void SimNotices::authorizationStatus(std::function<void(NoticeAuthorization)> completion) { completion(m_status); }

void SimNotices::add(const std::string& identifier, const std::string& title, const std::string& body) {
    // The centre shows nothing for an application the user has not allowed.
    if (m_status != NoticeAuthorization::authorized) return;
    SimNotice notice{identifier, title, body};
    m_delivered[identifier] = notice;
    ++m_postCounts[identifier];
    if (onPost) onPost(notice);
}

void SimNotices::removeDelivered(const std::string& identifier) {
    if (m_delivered.erase(identifier) && onRemove) onRemove(identifier);
}

std::size_t SimNotices::postCount(const std::string& identifier) const {
    auto it = m_postCounts.find(identifier);
    return it == m_postCounts.end() ? 0 : it->second;
}

}  // namespace tarnlet::sim
