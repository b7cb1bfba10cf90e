#pragma once
// Handlers called in registration order. Adding or removing a handler while the list notifies is
// safe: a handler removed during a notification is not called afterwards, one added is called from
// the next notification on. Main thread only.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "base/Subscription.h"

namespace tarnlet {

template <class... Args>
class ObserverList {
public:
    using Handler = std::function<void(Args...)>;

    ObserverList() : m_state(std::make_shared<State>()) {}
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    // Adds a handler; the subscription removes it (and is harmless once the list is gone).
    [[nodiscard]] Subscription add(Handler handler) {
        const std::uint64_t id = ++m_state->lastId;
        m_state->entries.push_back({id, std::make_shared<Handler>(std::move(handler))});
        return Subscription([weak = std::weak_ptr<State>(m_state), id] {
            if (auto state = weak.lock()) state->remove(id);
        });
    }

    void notify(Args... args) {
        // A copy of the current entries; a removal during the loop clears the shared handler.
        auto entries = m_state->entries;
        auto keep = m_state;
        for (auto& entry : entries) {
            if (entry.handler && *entry.handler) {
                auto handler = entry.handler;  // keep alive while it runs, even if it removes itself
                (*handler)(args...);
            }
        }
    }

    bool isEmpty() const { return m_state->entries.empty(); }
    std::size_t size() const { return m_state->entries.size(); }

private:
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<Handler> handler;
    };
    struct State {
        std::vector<Entry> entries;
        std::uint64_t lastId = 0;
        void remove(std::uint64_t id) {
            auto it = std::find_if(entries.begin(), entries.end(), [id](const Entry& e) { return e.id == id; });
            if (it == entries.end()) return;
            *it->handler = nullptr;  // a notification in progress skips it from now on
            entries.erase(it);
        }
    };
    std::shared_ptr<State> m_state;
};

}  // namespace tarnlet
