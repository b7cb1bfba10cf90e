#pragma once
// A move-only handle to an observation (a notification observer, a watcher subscription). Dropping
// it, or calling cancel(), ends the observation; cancelling twice or after the source died is
// harmless. Main thread only.

#include <functional>
#include <utility>

namespace tarnlet {

class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : m_cancel(std::exchange(other.m_cancel, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            m_cancel = std::exchange(other.m_cancel, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    bool isActive() const { return static_cast<bool>(m_cancel); }
    void cancel() {
        if (auto fn = std::exchange(m_cancel, nullptr)) fn();
    }

private:
    std::function<void()> m_cancel;
};

}  // namespace tarnlet
