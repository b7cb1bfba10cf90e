#include "platform/linux/EwmhWatcher.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstdlib>

#include "platform/linux/X11Display.h"

namespace tarnlet::linux_desktop {

EwmhWatcher::EwmhWatcher(X11Display& display) : m_display(display) {
    if (!m_display.isOpen() || !m_connection.isOpen()) return;
    m_connection.setEventMask(m_display.root(), XCB_EVENT_MASK_PROPERTY_CHANGE);
    refresh(Pending{true, true, true, true, {}, {}});
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection.get()), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
    // Events that came while the first picture was read wait in XCB's queue, where the socket no
    // longer announces them.
    drain();
}

EwmhWatcher::~EwmhWatcher() = default;

const ClientFacts* EwmhWatcher::facts(xcb_window_t window) const {
    const auto it = m_facts.find(window);
    return it == m_facts.end() ? nullptr : &it->second;
}

std::vector<ClientFacts> EwmhWatcher::stackingFacts() const {
    std::vector<ClientFacts> result;
    for (const xcb_window_t window : m_stacking)
        if (const ClientFacts* f = facts(window)) result.push_back(*f);
    return result;
}

std::vector<xcb_window_t> EwmhWatcher::windowsOf(int pid) const {
    std::vector<xcb_window_t> result;
    for (const xcb_window_t window : m_clients)
        if (const ClientFacts* f = facts(window); f && f->pid == pid) result.push_back(window);
    return result;
}

bool EwmhWatcher::signal(int pid, int number) const {
    const auto it = m_processes.find(pid);
    return it != m_processes.end() && it->second->signal(number);
}

void EwmhWatcher::drain() {
    for (;;) {
        Pending pending;
        bool any = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection.get())) {
            record(*event, pending);
            std::free(event);
            any = true;
        }
        if (xcb_connection_has_error(m_connection.get())) {
            // A broken connection stays readable forever: stop watching it. The notifier may be
            // inside its own signal, so the event loop deletes it.
            if (m_notifier) m_notifier.release()->deleteLater();
            return;
        }
        if (!any) return;
        const Change change = refresh(pending);
        if (change.any()) m_observers.notify(change);
    }
}

void EwmhWatcher::record(const xcb_generic_event_t& event, Pending& pending) const {
    if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
    const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
    const X11Atoms& atoms = m_display.atoms();
    if (notify.window == m_display.root()) {
        if (notify.atom == atoms.netClientList)
            pending.clients = true;
        else if (notify.atom == atoms.netClientListStacking)
            pending.stacking = true;
        else if (notify.atom == atoms.netActiveWindow)
            pending.active = true;
        else if (notify.atom == atoms.netCurrentDesktop)
            pending.desktop = true;
        return;
    }
    if (notify.atom == atoms.netWmState || notify.atom == atoms.netWmDesktop || notify.atom == atoms.netWmWindowType ||
        notify.atom == atoms.netWmPid)
        pending.restated.insert(notify.window);
    else if (notify.atom == atoms.netWmName || notify.atom == XCB_ATOM_WM_NAME)
        pending.retitled.insert(notify.window);
}

EwmhWatcher::Change EwmhWatcher::refresh(const Pending& pending) {
    Ewmh ewmh(m_display, m_connection, X11Connection::deadlineAfter(kReadSeconds));
    Change change;
    std::set<xcb_window_t> fresh;
    if (pending.clients) {
        if (const auto list = ewmh.clientList()) {
            std::vector<xcb_window_t> added;
            for (const xcb_window_t window : *list)
                if (!m_facts.count(window)) added.push_back(window);
            std::vector<xcb_window_t> removed;
            for (const auto& [window, facts] : m_facts)
                if (std::find(list->begin(), list->end(), window) == list->end()) removed.push_back(window);
            // Selected before the facts are read, so no change falls between the two.
            for (const xcb_window_t window : added) m_connection.setEventMask(window, XCB_EVENT_MASK_PROPERTY_CHANGE);
            for (ClientFacts& facts : ewmh.facts(added)) {
                if (facts.gone) continue;
                fresh.insert(facts.window);
                if (facts.pid) follow(*facts.pid);
                m_facts[facts.window] = std::move(facts);
            }
            for (const xcb_window_t window : removed) {
                m_facts.erase(window);
                // A window that is withdrawn but lives on would go on reporting its changes.
                m_connection.setEventMask(window, XCB_EVENT_MASK_NO_EVENT);
            }
            std::vector<xcb_window_t> clients;
            for (const xcb_window_t window : *list)
                if (m_facts.count(window)) clients.push_back(window);
            change.clients = clients != m_clients;
            m_clients = std::move(clients);
        }
    }
    std::vector<xcb_window_t> restated;
    for (const xcb_window_t window : pending.restated)
        if (m_facts.count(window) && !fresh.count(window)) restated.push_back(window);
    for (ClientFacts& facts : ewmh.facts(restated)) {
        ClientFacts& known = m_facts[facts.window];
        if (facts.gone) continue;
        if (facts.hidden != known.hidden || facts.desktop != known.desktop || facts.kind != known.kind ||
            facts.pid != known.pid || facts.states != known.states)
            change.states = true;
        if (facts.pid) follow(*facts.pid);
        known = std::move(facts);
    }
    if (pending.stacking)
        if (auto stacking = ewmh.stackingList(); stacking && *stacking != m_stacking) {
            m_stacking = std::move(*stacking);
            change.stacking = true;
        }
    if (pending.active)
        if (const auto active = ewmh.activeWindow(); active && *active != m_active) {
            m_active = *active;
            change.active = true;
        }
    if (pending.desktop)
        if (const auto desktop = ewmh.currentDesktop(); desktop != m_currentDesktop && ewmh.answered()) {
            m_currentDesktop = desktop;
            change.desktop = true;
        }
    for (const xcb_window_t window : pending.retitled)
        if (m_facts.count(window)) change.retitled.insert(window);
    dropWindowlessUnheard(change);
    return change;
}

void EwmhWatcher::follow(int pid) {
    if (m_processes.count(pid)) return;
    auto watcher = std::make_unique<ProcessExitWatcher>(pid, [this, pid] { processExited(pid); });
    // A process that ended before it could be followed is not taken up at all.
    if (watcher->state() == ProcessExitWatcher::State::exited) return;
    m_processes.emplace(pid, std::move(watcher));
    m_processOrder.push_back(pid);
}

void EwmhWatcher::processExited(int pid) {
    m_processes.erase(pid);
    std::erase(m_processOrder, pid);
    Change change;
    change.exited.insert(pid);
    m_observers.notify(change);
}

void EwmhWatcher::dropWindowlessUnheard(Change& change) {
    std::vector<int> ended;
    for (const auto& [pid, watcher] : m_processes)
        if (watcher->state() == ProcessExitWatcher::State::unsupported && windowsOf(pid).empty()) ended.push_back(pid);
    for (const int pid : ended) {
        m_processes.erase(pid);
        std::erase(m_processOrder, pid);
        change.exited.insert(pid);
    }
}

}  // namespace tarnlet::linux_desktop
