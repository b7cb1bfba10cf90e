#pragma once
// One Tarnlet per session. The first instance owns a well-known name on the session bus and
// serves a small object whose Reopen method does what reopening the application does (the
// settings window comes up); a later instance finds the name taken, calls Reopen and leaves.
// Without a session bus every instance runs on its own, as nothing could find it anyway.
//
// Build after Qt's application object; Reopen requests are handled in its event loop.
// Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarnlet {

class SingleInstance {
public:
    static constexpr const char* kServiceName = "app.tarnletapp.Tarnlet";
    static constexpr const char* kObjectPath = "/app/tarnletapp/Tarnlet";
    static constexpr const char* kInterface = "app.tarnletapp.Tarnlet";
    // How long a second instance waits for the first to answer.
    static constexpr int kCallTimeoutMilliseconds = 5000;

    enum class Role {
        first,   // this process owns the name
        second,  // another process owns it: ask it to reopen and quit
        alone,   // no session bus (or it refused the name): run without the guard
    };

    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role role() const { return m_role; }
    // Why the role is `alone`.
    const std::string& problem() const { return m_problem; }

    // For the second instance: asks the first to reopen. None when it answered, else the reason.
    std::optional<std::string> askFirstToReopen() const;

    // For the first instance: called on the main thread when another instance asks to reopen.
    std::function<void()> onReopen;

private:
    class ReopenObject;

    Role m_role = Role::alone;
    std::string m_problem;
    std::unique_ptr<ReopenObject> m_object;
};

}  // namespace tarnlet
