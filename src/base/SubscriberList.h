#pragma once
// The subscribers of a shared watcher that runs from its first subscriber to its last. Each
// subscription is a Subscription handle; the watcher's start runs at every new subscription (a
// running watcher ignores it, and one whose start failed, say for a missing permission, tries again)
// and its stop runs when the last subscription ends:
//
//     SubscriberList<State> m_subscribers{[this] { start(); }, [this] { stop(); }};
//     Subscription subscribe(Handler handler) { return m_subscribers.add(std::move(handler)); }
//
// An empty handler subscribes nothing: it yields an inactive handle and starts nothing. Handlers are
// called in subscription order; one may cancel any subscription, subscribe anew or destroy the
// watcher while it is called (see ObserverList). A handle that outlives the list is harmless, and
// destroying the list calls neither hook: the watcher stops itself in its destructor. Main thread
// only.

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>

#include "base/ObserverList.h"
#include "base/Subscription.h"

namespace tarnlet {

template <class... Args>
class SubscriberList {
public:
    using Handler = typename ObserverList<Args...>::Handler;

    SubscriberList(std::function<void()> start, std::function<void()> stop)
        : m_start(std::move(start)), m_stop(std::move(stop)) {}
    ~SubscriberList() { *m_alive = false; }
    SubscriberList(const SubscriberList&) = delete;
    SubscriberList& operator=(const SubscriberList&) = delete;

    [[nodiscard]] Subscription add(Handler handler) {
        if (!handler) return {};
        // Subscription holds a copyable function, so the inner handle is shared.
        auto inner = std::make_shared<Subscription>(m_observers.add(std::move(handler)));
        Subscription subscription([this, alive = m_alive, inner] {
            inner->cancel();
            if (*alive && m_observers.isEmpty() && m_stop) m_stop();
        });
        if (m_start) m_start();
        return subscription;
    }

    void notify(Args... args) { m_observers.notify(args...); }

    bool isEmpty() const { return m_observers.isEmpty(); }
    std::size_t size() const { return m_observers.size(); }

private:
    ObserverList<Args...> m_observers;
    std::function<void()> m_start;
    std::function<void()> m_stop;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace tarnlet
