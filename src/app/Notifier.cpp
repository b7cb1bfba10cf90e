#include "app/Notifier.h"

#include "diagnostics/Log.h"
#include "platform/Notices.h"
#include "platform/SystemFacts.h"

namespace tarnlet {

void Notifier::post(const std::string& identifier, const std::string& title, const std::string& body) {
    if (!m_facts.bundleIdentifier()) return;
    m_removals.erase(identifier);
    // The centre may answer on its own queue; the completion touches nothing of ours but the
    // centre and the system log.
    Notices* notices = &m_notices;
    m_notices.requestAuthorization([notices, identifier, title, body](bool granted, std::optional<std::string> error) {
        if (error) {
            Log::error("Notification authorization failed: " + *error);
            return;
        }
        if (granted) notices->add(identifier, title, body);
    });
}

void Notifier::postTransient(const std::string& identifier, const std::string& title, const std::string& body,
                             double lifetime) {
    post(identifier, title, body);
    if (!m_facts.bundleIdentifier()) return;
    m_removals[identifier] = m_queue.postAfter(lifetime, m_weak.bind([this, identifier] {
        m_removals.erase(identifier);
        m_notices.removeDelivered(identifier);
    }));
}

}  // namespace tarnlet
