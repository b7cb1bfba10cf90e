#include "app/NotificationPermission.h"

#include "platform/MainQueue.h"
#include "platform/Notices.h"
#include "platform/Workspace.h"

namespace tarnlet {

void NotificationPermission::status(std::function<void(Status)> completion) {
    // The answer may come on the notification centre's own queue: touch nothing of ours there.
    m_notices.authorizationStatus([queue = &m_queue, token = m_weak.token(), completion](NoticeAuthorization authorization) {
        Status status = Status::notDetermined;
        switch (authorization) {
            case NoticeAuthorization::denied: status = Status::denied; break;
            case NoticeAuthorization::authorized:
            case NoticeAuthorization::provisional: status = Status::granted; break;
            case NoticeAuthorization::notDetermined:
            case NoticeAuthorization::other: status = Status::notDetermined; break;
        }
        queue->post(token.bind([completion, status] { completion(status); }));
    });
}

void NotificationPermission::request(std::function<void(bool)> completion) {
    m_notices.requestAuthorization([queue = &m_queue, token = m_weak.token(), completion](bool granted, std::optional<std::string>) {
        queue->post(token.bind([completion, granted] { completion(granted); }));
    });
}

void NotificationPermission::openSystemSettings() { m_workspace.openURL(kSettingsURL); }

}  // namespace tarnlet
