#pragma once
// Handlers called in registration order. Adding or removing a handler while the list notifies is
// safe: a handler removed during a notification is not called afterwards, one added is called from
// the next notification on, and a handler may even destroy the list's owner. Main thread only.

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
    // Handlers not yet reached by a notification under way are skipped: a handler may destroy the
    // object that holds this list.
    ~ObserverList() {
        for (Entry& entry : m_state->entries) entry.node->removed = true;
    }
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    // Adds a handler; the subscription removes it (and is harmless once the list is gone).
    [[nodiscard]] Subscription add(Handler handler) {
        const std::uint64_t id = ++m_state->lastId;
        m_state->entries.push_back({id, std::make_shared<Node>(Node{std::move(handler), false})});
        return Subscription([weak = std::weak_ptr<State>(m_state), id] {
            if (auto state = weak.lock()) state->remove(id);
        });
    }

    void notify(Args... args) {
        // A copy of the current entries, each holding its node: a handler that removes itself (or
        // destroys the list) while it runs must not destroy the closure it is running in.
        const auto entries = m_state->entries;
        for (const Entry& entry : entries) {
            if (!entry.node->removed && entry.node->handler) entry.node->handler(args...);
        }
    }

    bool isEmpty() const { return m_state->entries.empty(); }
    std::size_t size() const { return m_state->entries.size(); }

private:
    struct Node {
        Handler handler;
        bool removed = false;
    };
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<Node> node;
    };
    struct State {
        std::vector<Entry> entries;
        std::uint64_t lastId = 0;
        void remove(std::uint64_t id) {
            auto it = std::find_if(entries.begin(), entries.end(), [id](const Entry& e) { return e.id == id; });
            if (it == entries.end()) return;
            it->node->removed = true;  // a notification in progress skips it from now on
            entries.erase(it);
        }
    };
    std::shared_ptr<State> m_state;
};

}  // namespace tarnlet
