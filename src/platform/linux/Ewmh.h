#pragma once
// Reads what the window manager publishes under the extended window-manager hints (EWMH): the
// managed client windows, their stacking, the active window, the desktops, and of each client its
// process, desktop, state, type and outer frame. One reader serves one call: it carries the call's
// connection and deadline, and once a reply failed to come every later read fails at once, so the
// call as a whole never waits longer than its deadline.
//
//     Ewmh ewmh(display, *display.connection(), X11Connection::deadlineAfter(1.0));
//     const auto clients = ewmh.clientList();                 // none: the server did not answer
//     for (const ClientFacts& facts : ewmh.facts(*clients)) …
//
// Threading: on the thread that owns the connection.

#include <xcb/xcb.h>

#include <QRect>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/DesktopEntries.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11Display.h"

namespace tarnlet::linux_desktop {

// What a client window is for, from its _NET_WM_WINDOW_TYPE (the first type it names that is known
// here) or, without one, from whether it is transient for another window.
enum class WindowKind { normal, dialog, utility, dock, desktop, menu, splash, notification };

// What the window manager and the client say of one client window.
struct ClientFacts {
    xcb_window_t window = XCB_NONE;
    // The window no longer exists.
    bool gone = false;
    // The process that shows it; none for a client that does not say, or that runs on another
    // machine (its process number would name an unrelated local process).
    std::optional<int> pid;
    // The desktop it is on; Ewmh::kAllDesktops when it is on every desktop.
    std::optional<std::uint32_t> desktop;
    std::vector<xcb_atom_t> states;
    // Minimised (_NET_WM_STATE_HIDDEN).
    bool hidden = false;
    WindowKind kind = WindowKind::normal;

    bool hasState(xcb_atom_t state) const;
    // On the desktop shown now, on all of them, or on none the window manager told of.
    bool isOnDesktop(std::optional<std::uint32_t> current) const;
    // A window of the kind a regular application shows: an ordinary window or a dialog.
    bool isApplicationWindow() const { return kind == WindowKind::normal || kind == WindowKind::dialog; }
};

// A client's rectangles in server pixels: the client window itself, the window manager's frame
// around it (the client with its decorations, _NET_FRAME_EXTENTS), and the outer frame the user
// sees — the window manager's frame without the invisible margins a client that draws its own
// decorations keeps for its shadows (_GTK_FRAME_EXTENTS).
struct FrameGeometry {
    QRect client;
    QRect managerFrame;
    QRect frame;
};

// How the client lets itself be sized (WM_NORMAL_HINTS), in server pixels.
struct SizeHints {
    QSize minimum;
    std::optional<QSize> maximum;
    QSize base;
    QSize increment{1, 1};

    bool isResizable() const { return !maximum || *maximum != minimum || minimum.isEmpty(); }
    // The size a window manager grants for a request: within the limits, in whole increments.
    QSize constrained(QSize requested) const;
};

class Ewmh {
public:
    static constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;

    Ewmh(const X11Display& display, X11Connection& connection, Deadline deadline)
        : m_atoms(display.atoms()), m_root(display.root()), m_connection(connection), m_deadline(deadline) {}

    // False once a reply did not come in time; every later read then fails too.
    bool answered() const { return !m_noAnswer; }
    X11Connection& connection() const { return m_connection; }
    Deadline deadline() const { return m_deadline; }

    // The managed windows in the order they were mapped, and bottom to top.
    std::optional<std::vector<xcb_window_t>> clientList();
    std::optional<std::vector<xcb_window_t>> stackingList();
    // Every managed window, bottom to top. Window managers update the two lists one after the
    // other, so a window just managed may be in one list for a moment and not yet in the other; it
    // counts from its first appearance, and one missing from the stacking list counts as topmost.
    std::optional<std::vector<xcb_window_t>> managedWindows();
    // XCB_NONE when no window is active.
    std::optional<xcb_window_t> activeWindow();
    std::optional<std::uint32_t> currentDesktop();
    std::optional<std::uint32_t> numberOfDesktops();
    // The window of a process that stands for its focused (and main) window: the active window when
    // the process shows it, otherwise its topmost window that is shown on the current desktop and
    // not minimised; none when it has no such window. `bottomToTop` is the stacking list's facts.
    static std::optional<xcb_window_t> focusedWindow(int pid, xcb_window_t active,
                                                     const std::vector<ClientFacts>& bottomToTop,
                                                     std::optional<std::uint32_t> currentDesktop);
    // Whether a live window manager announces the desktop hints; false as well without an answer.
    bool supportsDesktops();

    // The facts of each window, in order; empty when the server did not answer.
    std::vector<ClientFacts> facts(const std::vector<xcb_window_t>& windows);
    // The rectangles of each window; none for a window that is gone, and empty when the server did
    // not answer.
    std::vector<std::optional<FrameGeometry>> frames(const std::vector<xcb_window_t>& windows);
    std::optional<FrameGeometry> frame(xcb_window_t window, bool* gone = nullptr);
    // The opacity (_NET_WM_WINDOW_OPACITY, 0 to 1) of each window, in order; none where unset.
    std::vector<std::optional<double>> opacities(const std::vector<xcb_window_t>& windows);
    // Whether each client window is mapped (a minimised one is not), in order.
    std::vector<bool> mapped(const std::vector<xcb_window_t>& windows);

    std::optional<std::string> title(xcb_window_t window, bool* gone = nullptr);
    std::optional<SizeHints> sizeHints(xcb_window_t window, bool* gone = nullptr);
    // What the client announces about its application: _GTK_APPLICATION_ID,
    // _KDE_NET_WM_DESKTOP_FILE and the two halves of WM_CLASS.
    std::optional<ClientIdentity> identity(xcb_window_t window);

private:
    Property read(xcb_window_t window, xcb_atom_t atom);
    Property await(unsigned int request);
    // A reply of another kind; null for a window that is gone and once the server did not answer.
    template <class Reply>
    ReplyPointer<Reply> awaitReply(unsigned int request) {
        if (m_noAnswer) {
            xcb_discard_reply(m_connection.get(), request);
            return nullptr;
        }
        bool gone = false;
        auto reply = m_connection.await<Reply>(request, m_deadline, &gone);
        if (!reply && !gone) m_noAnswer = true;
        return reply;
    }
    std::optional<std::vector<xcb_window_t>> windowList(xcb_atom_t atom);
    std::optional<std::uint32_t> rootCardinal(xcb_atom_t atom);

    const X11Atoms& m_atoms;
    xcb_window_t m_root;
    X11Connection& m_connection;
    Deadline m_deadline;
    bool m_noAnswer = false;
};

}  // namespace tarnlet::linux_desktop
