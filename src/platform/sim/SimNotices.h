#pragma once
// The simulated notification centre: the user's answer to the authorisation request is set in
// advance; delivered notices are kept by identifier (a repost replaces) and every post and removal
// is recorded in order for transcripts.

#include <functional>
#include <map>
#include <vector>

#include "platform/Notices.h"

namespace tarnlet::sim {

struct SimNotice {
    std::string identifier;
    std::string title;
    std::string body;
};

class SimNotices : public Notices {
public:
    void requestAuthorization(std::function<void(bool, std::optional<std::string>)> completion) override;
    void authorizationStatus(std::function<void(NoticeAuthorization)> completion) override;
    void add(const std::string& identifier, const std::string& title, const std::string& body) override;
    void removeDelivered(const std::string& identifier) override;

    // What the user answers when asked; until asked the status is notDetermined.
    void setUserAllows(bool allows) { m_userAllows = allows; }
    // Makes the next authorisation requests fail with this error.
    void setAuthorizationError(std::optional<std::string> error) { m_error = std::move(error); }

    const std::map<std::string, SimNotice>& delivered() const { return m_delivered; }
    bool isDelivered(const std::string& identifier) const { return m_delivered.count(identifier) > 0; }
    std::size_t postCount(const std::string& identifier) const;

    std::function<void(const SimNotice&)> onPost;
    std::function<void(const std::string& identifier)> onRemove;

private:
    NoticeAuthorization m_status = NoticeAuthorization::notDetermined;
    bool m_userAllows = true;
    std::optional<std::string> m_error;
    std::map<std::string, SimNotice> m_delivered;
    std::map<std::string, std::size_t> m_postCounts;
};

}  // namespace tarnlet::sim
