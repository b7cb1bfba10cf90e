#pragma once
// The media keys the right-Command chord sends: the comma, slash and period keys.

#include <optional>
#include <string_view>

namespace tarnlet {

class MediaKey {
public:
    enum Kind { previous, playPause, next };

    constexpr MediaKey(Kind kind) : m_kind(kind) {}
    constexpr Kind kind() const { return m_kind; }

    // "," previous, "/" play or pause, "." next; none for anything else.
    static constexpr std::optional<MediaKey> from(std::string_view leaderKey) {
        if (leaderKey == ",") return MediaKey(previous);
        if (leaderKey == "/") return MediaKey(playPause);
        if (leaderKey == ".") return MediaKey(next);
        return std::nullopt;
    }

    friend constexpr bool operator==(MediaKey, MediaKey) = default;

private:
    Kind m_kind;
};

}  // namespace tarnlet
