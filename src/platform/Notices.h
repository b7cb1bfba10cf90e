#pragma once
// The desktop's user-notification centre. Authorisation completions may arrive on the centre's own
// queue (they must touch no shared state); everything else is main thread.

#include <functional>
#include <optional>
#include <string>

namespace tarnlet {

enum class NoticeAuthorization { notDetermined, denied, authorized, provisional, other };

class Notices {
public:
    virtual ~Notices() = default;

    // Asks for permission to show alerts (the user is asked once); completion gets the grant and an
    // error description when the request failed.
    virtual void requestAuthorization(std::function<void(bool granted, std::optional<std::string> error)> completion) = 0;
    virtual void authorizationStatus(std::function<void(NoticeAuthorization)> completion) = 0;
    // Delivers a notice now; a notice with the same identifier is replaced.
    virtual void add(const std::string& identifier, const std::string& title, const std::string& body) = 0;
    // Withdraws delivered notices with that identifier.
    virtual void removeDelivered(const std::string& identifier) = 0;
};

}  // namespace tarnlet
