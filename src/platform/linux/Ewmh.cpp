#include "platform/linux/Ewmh.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>

namespace tarnlet::linux_desktop {

namespace {

// The first label of a host name, lower-cased: clients write either the short or the full name.
std::string shortHostName(std::string name) {
    name = name.substr(0, name.find('.'));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

const std::string& localHostName() {
    static const std::string name = [] {
        std::array<char, HOST_NAME_MAX + 1> buffer{};
        if (gethostname(buffer.data(), buffer.size() - 1) != 0) return std::string();
        return shortHostName(buffer.data());
    }();
    return name;
}

// A string property as UTF-8: UTF8_STRING as it is, the older STRING as Latin-1.
std::string utf8Text(const Property& property, xcb_atom_t utf8String) {
    const std::string bytes = property.text();
    if (property.type == utf8String) return bytes;
    std::string converted;
    for (const unsigned char c : bytes) {
        if (c < 0x80) {
            converted += static_cast<char>(c);
        } else {
            converted += static_cast<char>(0xC0 | (c >> 6));
            converted += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return converted;
}

}  // namespace

bool ClientFacts::hasState(xcb_atom_t state) const {
    return state != XCB_NONE && std::find(states.begin(), states.end(), state) != states.end();
}

bool ClientFacts::isOnDesktop(std::optional<std::uint32_t> current) const {
    return !desktop || *desktop == Ewmh::kAllDesktops || !current || *desktop == *current;
}

QSize SizeHints::constrained(QSize requested) const {
    const auto axis = [](int wanted, int minimum, std::optional<int> maximum, int base, int increment) {
        int value = std::max(wanted, minimum);
        if (maximum && *maximum > 0) value = std::min(value, *maximum);
        if (increment > 1) value = base + (value - base) / increment * increment;
        return std::max(value, std::max(minimum, 1));
    };
    return QSize(axis(requested.width(), minimum.width(), maximum ? std::optional(maximum->width()) : std::nullopt,
                      base.width(), increment.width()),
                 axis(requested.height(), minimum.height(), maximum ? std::optional(maximum->height()) : std::nullopt,
                      base.height(), increment.height()));
}

Property Ewmh::await(unsigned int request) {
    if (m_noAnswer) {
        xcb_discard_reply(m_connection.get(), request);
        return {};
    }
    Property property = m_connection.property(request, m_deadline);
    if (property.status == Property::Status::noAnswer) m_noAnswer = true;
    return property;
}

Property Ewmh::read(xcb_window_t window, xcb_atom_t atom) {
    if (m_noAnswer) return {};
    return await(m_connection.requestProperty(window, atom));
}

std::optional<std::vector<xcb_window_t>> Ewmh::windowList(xcb_atom_t atom) {
    const Property list = read(m_root, atom);
    if (list.status != Property::Status::ok) return std::nullopt;
    return list.words();
}

std::optional<std::uint32_t> Ewmh::rootCardinal(xcb_atom_t atom) {
    const Property value = read(m_root, atom);
    if (value.status != Property::Status::ok) return std::nullopt;
    return value.word();
}

std::optional<std::vector<xcb_window_t>> Ewmh::clientList() { return windowList(m_atoms.netClientList); }
std::optional<std::vector<xcb_window_t>> Ewmh::stackingList() { return windowList(m_atoms.netClientListStacking); }

std::optional<std::vector<xcb_window_t>> Ewmh::managedWindows() {
    if (m_noAnswer) return std::nullopt;
    const unsigned int stackingRequest = m_connection.requestProperty(m_root, m_atoms.netClientListStacking);
    const unsigned int clientsRequest = m_connection.requestProperty(m_root, m_atoms.netClientList);
    const Property stacking = await(stackingRequest);
    const Property clients = await(clientsRequest);
    if (stacking.status != Property::Status::ok || clients.status != Property::Status::ok) return std::nullopt;
    std::vector<xcb_window_t> windows = stacking.words();
    for (const xcb_window_t window : clients.words())
        if (std::find(windows.begin(), windows.end(), window) == windows.end()) windows.push_back(window);
    return windows;
}

std::optional<xcb_window_t> Ewmh::activeWindow() {
    const Property value = read(m_root, m_atoms.netActiveWindow);
    if (value.status != Property::Status::ok) return std::nullopt;
    return value.word().value_or(XCB_NONE);
}

std::optional<std::uint32_t> Ewmh::currentDesktop() { return rootCardinal(m_atoms.netCurrentDesktop); }
std::optional<std::uint32_t> Ewmh::numberOfDesktops() { return rootCardinal(m_atoms.netNumberOfDesktops); }

bool Ewmh::supportsDesktops() {
    // A window manager that died leaves its announcement on the root window; its check window,
    // which names itself, is gone with it.
    const auto check = read(m_root, m_atoms.netSupportingWmCheck).word();
    if (!check || read(*check, m_atoms.netSupportingWmCheck).word() != check) return false;
    const std::vector<std::uint32_t> supported = read(m_root, m_atoms.netSupported).words();
    const auto announces = [&](xcb_atom_t atom) {
        return std::find(supported.begin(), supported.end(), atom) != supported.end();
    };
    return announces(m_atoms.netNumberOfDesktops) && announces(m_atoms.netCurrentDesktop) &&
           announces(m_atoms.netWmDesktop);
}

std::optional<xcb_window_t> Ewmh::focusedWindow(int pid, xcb_window_t active,
                                                const std::vector<ClientFacts>& bottomToTop,
                                                std::optional<std::uint32_t> currentDesktop) {
    for (const ClientFacts& facts : bottomToTop)
        if (facts.window == active && facts.pid == pid) return active;
    for (auto facts = bottomToTop.rbegin(); facts != bottomToTop.rend(); ++facts)
        if (facts->pid == pid && !facts->hidden && facts->isOnDesktop(currentDesktop)) return facts->window;
    return std::nullopt;
}

std::vector<ClientFacts> Ewmh::facts(const std::vector<xcb_window_t>& windows) {
    const xcb_atom_t atoms[] = {m_atoms.netWmPid,        m_atoms.netWmDesktop,      m_atoms.netWmState,
                                m_atoms.netWmWindowType, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WM_CLIENT_MACHINE};
    constexpr std::size_t kCount = std::size(atoms);
    if (m_noAnswer) return {};
    std::vector<unsigned int> requests;
    for (const xcb_window_t window : windows)
        for (const xcb_atom_t atom : atoms) requests.push_back(m_connection.requestProperty(window, atom));

    std::vector<ClientFacts> result;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        std::array<Property, kCount> values;
        for (std::size_t a = 0; a < kCount; ++a) values[a] = await(requests[i * kCount + a]);
        if (m_noAnswer) return {};
        ClientFacts facts;
        facts.window = windows[i];
        facts.gone = std::any_of(values.begin(), values.end(),
                                 [](const Property& p) { return p.status == Property::Status::windowGone; });
        const std::string machine = values[5].text();
        const bool local = machine.empty() || shortHostName(machine) == localHostName();
        if (const auto pid = values[0].word(); pid && *pid > 0 && *pid <= INT_MAX && local)
            facts.pid = static_cast<int>(*pid);
        facts.desktop = values[1].word();
        facts.states = values[2].words();
        facts.hidden = facts.hasState(m_atoms.netWmStateHidden);
        // The first type known here wins; the list is in the client's order of preference.
        const std::pair<xcb_atom_t, WindowKind> kinds[] = {
            {m_atoms.netWmWindowTypeNormal, WindowKind::normal},
            {m_atoms.netWmWindowTypeDialog, WindowKind::dialog},
            {m_atoms.netWmWindowTypeUtility, WindowKind::utility},
            {m_atoms.netWmWindowTypeToolbar, WindowKind::utility},
            {m_atoms.netWmWindowTypeDock, WindowKind::dock},
            {m_atoms.netWmWindowTypeDesktop, WindowKind::desktop},
            {m_atoms.netWmWindowTypeMenu, WindowKind::menu},
            {m_atoms.netWmWindowTypeSplash, WindowKind::splash},
            {m_atoms.netWmWindowTypeNotification, WindowKind::notification},
        };
        bool typed = false;
        for (const std::uint32_t type : values[3].words()) {
            const auto known = std::find_if(std::begin(kinds), std::end(kinds),
                                            [&](const auto& entry) { return entry.first == type; });
            if (known == std::end(kinds)) continue;
            facts.kind = known->second;
            typed = true;
            break;
        }
        // Without a type, a window transient for another is a dialog.
        if (!typed && values[4].word().value_or(XCB_NONE) != XCB_NONE) facts.kind = WindowKind::dialog;
        result.push_back(std::move(facts));
    }
    return result;
}

std::vector<std::optional<FrameGeometry>> Ewmh::frames(const std::vector<xcb_window_t>& windows) {
    if (m_noAnswer) return {};
    struct Requests {
        unsigned int geometry, position, extents, gtkExtents;
    };
    std::vector<Requests> requests;
    xcb_connection_t* c = m_connection.get();
    for (const xcb_window_t window : windows)
        requests.push_back({xcb_get_geometry(c, window).sequence,
                            xcb_translate_coordinates(c, window, m_root, 0, 0).sequence,
                            m_connection.requestProperty(window, m_atoms.netFrameExtents, 4),
                            m_connection.requestProperty(window, m_atoms.gtkFrameExtents, 4)});

    std::vector<std::optional<FrameGeometry>> result;
    for (const Requests& r : requests) {
        const auto geometry = awaitReply<xcb_get_geometry_reply_t>(r.geometry);
        const auto position = awaitReply<xcb_translate_coordinates_reply_t>(r.position);
        const std::vector<std::uint32_t> extents = await(r.extents).words();
        const std::vector<std::uint32_t> gtkExtents = await(r.gtkExtents).words();
        if (m_noAnswer) return {};
        if (!geometry || !position) {
            result.emplace_back();
            continue;
        }
        FrameGeometry frame;
        frame.client = QRect(position->dst_x, position->dst_y, geometry->width, geometry->height);
        // Both are left, right, top, bottom: the decorations around the client, and the shadow
        // margins inside a client that decorates itself.
        const auto margins = [](const std::vector<std::uint32_t>& values) {
            if (values.size() != 4) return QMargins();
            return QMargins(static_cast<int>(values[0]), static_cast<int>(values[2]), static_cast<int>(values[1]),
                            static_cast<int>(values[3]));
        };
        frame.managerFrame = frame.client.marginsAdded(margins(extents));
        frame.frame = frame.managerFrame.marginsRemoved(margins(gtkExtents));
        result.push_back(frame);
    }
    return result;
}

std::optional<FrameGeometry> Ewmh::frame(xcb_window_t window, bool* gone) {
    auto list = frames({window});
    if (gone) *gone = !list.empty() && !list.front();
    if (list.empty() || !list.front()) return std::nullopt;
    return list.front();
}

std::vector<std::optional<double>> Ewmh::opacities(const std::vector<xcb_window_t>& windows) {
    if (m_noAnswer) return {};
    std::vector<unsigned int> requests;
    for (const xcb_window_t window : windows)
        requests.push_back(m_connection.requestProperty(window, m_atoms.netWmWindowOpacity, 1));
    std::vector<std::optional<double>> result;
    for (const unsigned int request : requests) {
        const auto value = await(request).word();
        result.push_back(value ? std::optional(*value / double(0xFFFFFFFFu)) : std::nullopt);
    }
    if (m_noAnswer) return {};
    return result;
}

std::vector<bool> Ewmh::mapped(const std::vector<xcb_window_t>& windows) {
    if (m_noAnswer) return {};
    std::vector<unsigned int> requests;
    for (const xcb_window_t window : windows)
        requests.push_back(xcb_get_window_attributes(m_connection.get(), window).sequence);
    std::vector<bool> result;
    for (const unsigned int request : requests) {
        const auto attributes = awaitReply<xcb_get_window_attributes_reply_t>(request);
        result.push_back(attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED);
    }
    if (m_noAnswer) return {};
    return result;
}

std::optional<std::string> Ewmh::title(xcb_window_t window, bool* gone) {
    const unsigned int netName = m_connection.requestProperty(window, m_atoms.netWmName);
    const unsigned int name = m_connection.requestProperty(window, XCB_ATOM_WM_NAME);
    const Property modern = await(netName);
    const Property legacy = await(name);
    if (gone) *gone = modern.status == Property::Status::windowGone;
    if (modern.status != Property::Status::ok) return std::nullopt;
    if (modern.exists()) return utf8Text(modern, m_atoms.utf8String);
    if (legacy.exists()) return utf8Text(legacy, m_atoms.utf8String);
    return std::string();
}

std::optional<SizeHints> Ewmh::sizeHints(xcb_window_t window, bool* gone) {
    const Property hints = read(window, XCB_ATOM_WM_NORMAL_HINTS);
    if (gone) *gone = hints.status == Property::Status::windowGone;
    if (hints.status != Property::Status::ok) return std::nullopt;
    const std::vector<std::uint32_t> w = hints.words();
    SizeHints result;
    if (w.size() < 18) return result;
    // ICCCM's flags: program-specified minimum, maximum, increments and base size.
    constexpr std::uint32_t kMinimum = 16, kMaximum = 32, kIncrement = 64, kBase = 256;
    const auto size = [&](std::size_t at) {
        return QSize(static_cast<int>(std::min<std::uint32_t>(w[at], INT_MAX)),
                     static_cast<int>(std::min<std::uint32_t>(w[at + 1], INT_MAX)));
    };
    if (w[0] & kMinimum) result.minimum = size(5);
    if (w[0] & kMaximum) result.maximum = size(7);
    if (w[0] & kIncrement) result.increment = size(9).expandedTo(QSize(1, 1));
    // Each of base and minimum stands in for the other when only one is given.
    result.base = (w[0] & kBase) ? size(15) : result.minimum;
    if (!(w[0] & kMinimum)) result.minimum = result.base;
    return result;
}

std::optional<ClientIdentity> Ewmh::identity(xcb_window_t window) {
    const unsigned int gtk = m_connection.requestProperty(window, m_atoms.gtkApplicationId);
    const unsigned int kde = m_connection.requestProperty(window, m_atoms.kdeNetWmDesktopFile);
    const unsigned int wmClass = m_connection.requestProperty(window, XCB_ATOM_WM_CLASS);
    const Property gtkValue = await(gtk);
    const Property kdeValue = await(kde);
    const Property classValue = await(wmClass);
    if (classValue.status != Property::Status::ok) return std::nullopt;
    ClientIdentity identity;
    identity.gtkApplicationId = gtkValue.text();
    identity.kdeDesktopFile = kdeValue.text();
    // WM_CLASS is two NUL-terminated strings: the instance name, then the class name.
    const std::string both(classValue.bytes.begin(), classValue.bytes.end());
    const std::size_t split = both.find('\0');
    identity.instance = both.substr(0, split);
    if (split != std::string::npos) identity.className = std::string(both.c_str() + split + 1);
    return identity;
}

}  // namespace tarnlet::linux_desktop
