#pragma once
// Weak ownership for callbacks and delayed work. An object that hands out callbacks declares a
// `WeakFactory` as its last member (so it is destroyed first); a callback captures `token()` and
// does nothing once the object is gone:
//
//     queue.postAfter(1.5, m_weak.bind([this] { recheck(); }));
//
// Main thread only: a token must be checked on the thread that destroys its owner.

#include <functional>
#include <memory>
#include <utility>

namespace tarnlet {

class WeakToken {
public:
    WeakToken() = default;
    bool isAlive() const { return !m_alive.expired(); }

    // Wraps fn so that it runs only while the token's owner lives; otherwise it does nothing (and a
    // non-void result becomes a value-initialised default).
    template <class F>
    auto bind(F fn) const {
        return [alive = m_alive, fn = std::move(fn)](auto&&... args) mutable {
            using R = decltype(fn(std::forward<decltype(args)>(args)...));
            if (alive.expired()) {
                if constexpr (std::is_void_v<R>) return;
                else return R{};
            }
            return fn(std::forward<decltype(args)>(args)...);
        };
    }

private:
    friend class WeakFactory;
    explicit WeakToken(std::weak_ptr<void> alive) : m_alive(std::move(alive)) {}
    std::weak_ptr<void> m_alive;
};

class WeakFactory {
public:
    WeakFactory() : m_alive(std::make_shared<char>(0)) {}
    WeakFactory(const WeakFactory&) = delete;
    WeakFactory& operator=(const WeakFactory&) = delete;

    WeakToken token() const { return WeakToken(m_alive); }
    template <class F>
    auto bind(F fn) const { return token().bind(std::move(fn)); }

    // Drops every token handed out so far; later tokens are live again.
    void invalidate() { m_alive = std::make_shared<char>(0); }

private:
    std::shared_ptr<void> m_alive;
};

}  // namespace tarnlet
