#pragma once
// The one arbiter of the notch. Content sources claim and release it; the highest claim is shown
// and its owner's handler hears true, the one it displaced hears false. A takeover (the expanded
// shelf, the restart prompt) hides every source while it is held; the claims stay, so releasing
// the last takeover shows the highest claim again.
//
//     stage.setHandler(NotchSource::chip, [this](bool visible) { visible ? mountChip() : unmount(); });
//     if (!stage.claim(NotchSource::nowPlaying)) redrawNowPlaying();  // no handler was called
//
// One instance per process, created by the application object. Main thread only.

#include <functional>
#include <map>
#include <optional>
#include <set>

namespace tarnlet {

// Content sources in rising priority; the values are stable.
enum class NotchSource { nowPlaying = 0, shelfBridge, liveChip, chip, shelfCue, hints };

// The source with the raw value, or none outside the known range.
std::optional<NotchSource> notchSourceFromRaw(int raw);

// Exclusive owners of the notch that hide every source while held.
enum class NotchTakeover { shelfExpanded, ocrPrompt };

struct NotchArbiter {
    std::set<NotchSource> claims;
    std::set<NotchTakeover> takeovers;

    // The highest claim while no takeover is held; none otherwise.
    std::optional<NotchSource> winner() const;
};

class NotchStage {
public:
    using Handler = std::function<void(bool visible)>;

    NotchStage() = default;
    NotchStage(const NotchStage&) = delete;
    NotchStage& operator=(const NotchStage&) = delete;

    // Each returns true when the winner after the change differs from the winner before it. A false
    // result means no handler was told anything, so callers that keep their own content up to date
    // redraw themselves.
    bool claim(NotchSource source);
    bool release(NotchSource source);
    bool claim(NotchTakeover takeover);
    bool release(NotchTakeover takeover);

    // The source's one visibility handler (each owner registers it at construction); an empty one
    // removes it. A source without a handler is simply never told.
    void setHandler(NotchSource source, Handler handler);

    const NotchArbiter& arbiter() const { return m_arbiter; }
    // The source last granted the notch.
    std::optional<NotchSource> shown() const { return m_shown; }
    bool hasTakeover() const { return !m_arbiter.takeovers.empty(); }

private:
    template <class Change>
    bool settle(Change change);
    void tell(NotchSource source, bool visible);

    NotchArbiter m_arbiter;
    std::map<NotchSource, Handler> m_handlers;
    std::optional<NotchSource> m_shown;
    bool m_settling = false;
};

}  // namespace tarnlet
