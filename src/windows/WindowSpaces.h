#pragma once
// Which desktops (Spaces) a window lives on, through the window server's private desktop entry
// points. The entry points are resolved once, when this is built; the application builds one and
// hands it to whoever counts windows. Without them every lookup answers "not on another desktop"
// and callers must treat other-desktop counts as unknown (check symbolsResolved()).
//
// Threading: built on the main thread; afterwards only read, from any thread.

#include <cstdint>
#include <optional>

#include "platform/WindowServer.h"

namespace tarnlet {

class WindowSpaces {
public:
    explicit WindowSpaces(const WindowServer& server);

    bool symbolsResolved() const { return m_symbolsResolved; }
    // The window-server connection; 0 when unresolved.
    int connection() const { return m_connection; }
    // The desktop shown now, as the server's lookup answers; 0 when unresolved. 0 is otherwise an
    // ordinary desktop identifier, not a failure.
    std::uint64_t activeSpace() const;

    // True when the window is listed on at least one desktop and none of them is `activeSpace`.
    bool isOnOtherSpace(std::uint32_t windowID, std::uint64_t activeSpace) const;
    // The first desktop of the window other than `activeSpace`; none when there is none or the
    // lookup fails.
    std::optional<std::uint64_t> otherSpace(std::uint32_t windowID, std::uint64_t activeSpace) const;

private:
    std::optional<std::vector<std::uint64_t>> spacesOf(std::uint32_t windowID) const;

    WindowServer::SpaceEntryPoints m_entryPoints;
    int m_connection = 0;
    bool m_symbolsResolved = false;
};

}  // namespace tarnlet
