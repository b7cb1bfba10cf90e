#include "notch/NotchStage.h"

#include <utility>

namespace tarnlet {

namespace {

// Handlers may claim and release while they are told; a pair that keeps handing the notch back and
// forth must not hang the main thread, so a settle gives up after this many passes.
constexpr int kMaxSettlePasses = 7;

}  // namespace

std::optional<NotchSource> notchSourceFromRaw(int raw) {
    if (raw < static_cast<int>(NotchSource::nowPlaying) || raw > static_cast<int>(NotchSource::hints))
        return std::nullopt;
    return static_cast<NotchSource>(raw);
}

std::optional<NotchSource> NotchArbiter::winner() const {
    if (!takeovers.empty() || claims.empty()) return std::nullopt;
    return *claims.rbegin();
}

bool NotchStage::claim(NotchSource source) {
    return settle([&] { m_arbiter.claims.insert(source); });
}

bool NotchStage::release(NotchSource source) {
    return settle([&] { m_arbiter.claims.erase(source); });
}

bool NotchStage::claim(NotchTakeover takeover) {
    return settle([&] { m_arbiter.takeovers.insert(takeover); });
}

bool NotchStage::release(NotchTakeover takeover) {
    return settle([&] { m_arbiter.takeovers.erase(takeover); });
}

void NotchStage::setHandler(NotchSource source, Handler handler) {
    if (handler)
        m_handlers[source] = std::move(handler);
    else
        m_handlers.erase(source);
}

template <class Change>
bool NotchStage::settle(Change change) {
    const auto before = m_arbiter.winner();
    change();
    const bool changed = m_arbiter.winner() != before;
    // A handler claimed or released while being told: the settle already running picks it up.
    if (m_settling) return changed;

    m_settling = true;
    for (int pass = 0; pass < kMaxSettlePasses; ++pass) {
        const auto winner = m_arbiter.winner();
        if (winner == m_shown) break;
        const auto old = std::exchange(m_shown, winner);
        // The loser hears first, so it has taken its drawing down before the winner puts up its own.
        if (old) tell(*old, false);
        if (winner) tell(*winner, true);
    }
    m_settling = false;
    return changed;
}

void NotchStage::tell(NotchSource source, bool visible) {
    const auto it = m_handlers.find(source);
    if (it == m_handlers.end()) return;
    // A copy: the handler may replace or remove itself while it runs.
    const Handler handler = it->second;
    handler(visible);
}

}  // namespace tarnlet
