#pragma once
// One handler per owner, for shared watchers that start with their first subscriber and stop with
// their last. Subscribing again replaces the owner's handler; an empty handler counts as leaving.
// notify() is safe against everything a handler may do meanwhile: remove itself or another owner
// (who is then not called, as it may already be gone), add an owner, replace its own handler, or
// destroy the watcher that holds this list. Main thread only.

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tarnlet {

template <class... Args>
class OwnerHandlers {
public:
    using Handler = std::function<void(Args...)>;

    OwnerHandlers() = default;
    OwnerHandlers(const OwnerHandlers&) = delete;
    OwnerHandlers& operator=(const OwnerHandlers&) = delete;
    ~OwnerHandlers() { *m_alive = false; }

    void set(const void* owner, Handler handler) {
        if (handler) m_handlers[owner] = std::move(handler);
        else m_handlers.erase(owner);
    }
    void erase(const void* owner) { m_handlers.erase(owner); }
    bool isEmpty() const { return m_handlers.empty(); }
    std::size_t size() const { return m_handlers.size(); }

    void notify(Args... args) {
        std::vector<const void*> owners;
        owners.reserve(m_handlers.size());
        for (const auto& entry : m_handlers) owners.push_back(entry.first);
        const auto alive = m_alive;
        for (const void* owner : owners) {
            if (!*alive) return;
            const auto it = m_handlers.find(owner);
            if (it == m_handlers.end()) continue;
            const Handler handler = it->second;  // a copy: replacing the entry must not destroy it mid-call
            handler(args...);
        }
    }

private:
    std::map<const void*, Handler> m_handlers;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace tarnlet
