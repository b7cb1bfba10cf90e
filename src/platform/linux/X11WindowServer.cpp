#include "platform/linux/X11WindowServer.h"

#include <algorithm>

#include "platform/linux/Ewmh.h"
#include "platform/linux/X11Display.h"

namespace tarnlet::linux_desktop {

namespace {

// The original platform's window levels, for the kinds of window EWMH names.
constexpr double kNormalLayer = 0;
constexpr double kFloatingLayer = 3;
constexpr double kDockLayer = 20;
constexpr double kNotificationLayer = 25;
constexpr double kMenuLayer = 101;
constexpr double kDesktopLayer = -2147483623.0;

double layer(const ClientFacts& facts, const X11Atoms& atoms) {
    switch (facts.kind) {
        case WindowKind::utility: return kFloatingLayer;
        case WindowKind::dock: return kDockLayer;
        case WindowKind::menu: return kMenuLayer;
        case WindowKind::notification: return kNotificationLayer;
        case WindowKind::desktop: return kDesktopLayer;
        case WindowKind::normal:
        case WindowKind::dialog:
        case WindowKind::splash: break;
    }
    return facts.hasState(atoms.netWmStateAbove) ? kFloatingLayer : kNormalLayer;
}

}  // namespace

std::optional<std::vector<WindowRecord>> X11WindowServer::windowList(WindowListOptions options) const {
    X11Connection* connection = m_display.isOpen() ? m_display.connection() : nullptr;
    if (!connection) return std::nullopt;
    connection->discardEvents();
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(kReadSeconds));
    auto order = ewmh.managedWindows();
    if (!order) return std::nullopt;
    std::reverse(order->begin(), order->end());
    const auto desktop = ewmh.currentDesktop();
    const std::vector<ClientFacts> facts = ewmh.facts(*order);
    const auto frames = ewmh.frames(*order);
    const auto opacities = ewmh.opacities(*order);
    const std::vector<bool> mapped = ewmh.mapped(*order);
    if (!ewmh.answered()) return std::nullopt;

    std::vector<WindowRecord> records;
    for (std::size_t i = 0; i < order->size(); ++i) {
        const ClientFacts& f = facts[i];
        if (f.gone || !frames[i]) continue;
        if (options.excludeDesktopElements && f.kind == WindowKind::desktop) continue;
        if (options.onScreenOnly && (!mapped[i] || f.hidden || !f.isOnDesktop(desktop))) continue;
        WindowRecord record;
        record.ownerPID = f.pid;
        record.number = f.window;
        record.layer = layer(f, m_display.atoms());
        record.bounds = m_display.toAccessibility(frames[i]->frame);
        record.alpha = opacities[i].value_or(1.0);
        records.push_back(record);
    }
    return records;
}

WindowServer::SpaceEntryPoints X11WindowServer::spaceEntryPoints() const {
    X11Connection* connection = m_display.isOpen() ? m_display.connection() : nullptr;
    if (!connection) return {};
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(kReadSeconds));
    if (!ewmh.supportsDesktops()) return {};
    SpaceEntryPoints points;
    points.mainConnectionID = [] { return kConnectionID; };
    points.activeSpace = [this](int connectionID) -> std::uint64_t {
        // Like the original, 0 for a connection it does not know; an unreadable desktop reads as 0
        // as well, for want of a better answer.
        if (connectionID != kConnectionID) return 0;
        return activeSpace().value_or(0);
    };
    points.copySpacesForWindows =
        [this](int connectionID, std::uint32_t mask,
               const std::vector<std::uint32_t>& ids) -> std::optional<std::vector<std::uint64_t>> {
        if (connectionID != kConnectionID) return std::nullopt;
        return spacesForWindows(mask, ids);
    };
    return points;
}

std::optional<std::uint64_t> X11WindowServer::activeSpace() const {
    X11Connection* connection = m_display.connection();
    if (!connection) return std::nullopt;
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(kReadSeconds));
    return ewmh.currentDesktop();
}

std::optional<std::vector<std::uint64_t>> X11WindowServer::spacesForWindows(
    std::uint32_t mask, const std::vector<std::uint32_t>& windowIDs) const {
    X11Connection* connection = m_display.connection();
    if (!connection) return std::nullopt;
    connection->discardEvents();
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(kReadSeconds));
    const auto count = ewmh.numberOfDesktops();
    const auto current = ewmh.currentDesktop();
    const auto clients = ewmh.managedWindows();
    if (!count || !current || !clients) return std::nullopt;
    // Windows the window manager does not manage are on no desktop.
    std::vector<xcb_window_t> managed;
    for (const std::uint32_t id : windowIDs)
        if (std::find(clients->begin(), clients->end(), id) != clients->end()) managed.push_back(id);
    const std::vector<ClientFacts> facts = ewmh.facts(managed);
    if (!ewmh.answered()) return std::nullopt;

    std::vector<std::uint64_t> result;
    const auto add = [&](std::uint32_t desktop) {
        const bool shown = desktop == *current;
        // Every EWMH desktop is a user's desktop (bit 4); bits 1 and 2 pick the shown and the others.
        const bool wanted = (mask & 4) && ((shown && (mask & 1)) || (!shown && (mask & 2)));
        if (wanted && std::find(result.begin(), result.end(), desktop) == result.end()) result.push_back(desktop);
    };
    for (const ClientFacts& f : facts) {
        if (f.gone || !f.desktop) continue;
        if (*f.desktop == Ewmh::kAllDesktops) {
            for (std::uint32_t desktop = 0; desktop < *count; ++desktop) add(desktop);
        } else {
            add(*f.desktop);
        }
    }
    return result;
}

bool X11WindowServer::showDesktop(std::uint64_t desktop) {
    X11Connection* connection = m_display.isOpen() ? m_display.connection() : nullptr;
    if (!connection) return false;
    Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(kReadSeconds));
    const auto count = ewmh.numberOfDesktops();
    if (!ewmh.supportsDesktops() || !count || desktop >= *count) return false;
    connection->sendToRoot(m_display.root(), m_display.atoms().netCurrentDesktop, static_cast<std::uint32_t>(desktop),
                           XCB_CURRENT_TIME);
    return true;
}

}  // namespace tarnlet::linux_desktop
