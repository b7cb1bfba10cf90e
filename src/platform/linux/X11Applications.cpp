#include "platform/linux/X11Applications.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "platform/MainQueue.h"
#include "platform/host/HostSystemFacts.h"
#include "platform/linux/Ewmh.h"
#include "platform/linux/X11Display.h"

namespace tarnlet::linux_desktop {

namespace {

// The user's request, as a taskbar makes it: window managers carry it out without their
// focus-stealing rules.
constexpr std::uint32_t kUserSource = 2;
constexpr double kIconSide = 32;

// The name the kernel keeps for a process, for a client that names nothing else.
std::optional<std::string> commandName(int pid) {
    std::ifstream stream("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(stream, name) || name.empty()) return std::nullopt;
    return name;
}

}  // namespace

X11Applications::X11Applications(X11Display& display, EwmhWatcher& watcher, MainQueue& queue)
    : m_display(display), m_watcher(watcher), m_queue(queue) {
    update({}, false);
    m_subscription = m_watcher.observe([this](const EwmhWatcher::Change& change) { update(change, true); });
}

X11Applications::~X11Applications() = default;

std::optional<std::string> X11Applications::frontmostApplicationBundleID() const {
    if (!m_front) return std::nullopt;
    const auto it = m_running.find(*m_front);
    return it == m_running.end() ? std::nullopt : it->second.bundleIdentifier;
}

std::vector<RunningApplication> X11Applications::runningApplications() const {
    std::vector<RunningApplication> result;
    for (const int pid : m_launchOrder) result.push_back(m_running.at(pid));
    return result;
}

std::optional<RunningApplication> X11Applications::runningApplication(int pid) const {
    const auto it = m_running.find(pid);
    if (it == m_running.end()) return std::nullopt;
    return it->second;
}

void X11Applications::update(const EwmhWatcher::Change& change, bool announcing) {
    for (const int pid : change.exited) {
        const auto it = m_running.find(pid);
        if (it == m_running.end()) continue;
        RunningApplication application = it->second;
        application.isTerminated = true;
        application.isActive = false;
        m_running.erase(it);
        std::erase(m_launchOrder, pid);
        if (m_front == pid) m_front.reset();
        if (announcing) announce(WorkspaceEvent::terminated, application);
    }
    for (const int pid : m_watcher.processes()) {
        const std::vector<xcb_window_t> windows = m_watcher.windowsOf(pid);
        bool regular = false;
        bool allMinimised = !windows.empty();
        for (const xcb_window_t window : windows) {
            const ClientFacts* facts = m_watcher.facts(window);
            if (!facts) continue;
            regular = regular || facts->isApplicationWindow();
            allMinimised = allMinimised && facts->hidden;
        }
        auto it = m_running.find(pid);
        if (it == m_running.end()) {
            if (windows.empty()) continue;
            RunningApplication application = describe(pid, windows);
            application.activationPolicy = regular ? ActivationPolicy::regular : ActivationPolicy::accessory;
            application.isHidden = allMinimised;
            it = m_running.emplace(pid, std::move(application)).first;
            m_launchOrder.push_back(pid);
            if (announcing) announce(WorkspaceEvent::launched, it->second);
        }
        RunningApplication& application = it->second;
        // An application that showed an ordinary window stays a regular one.
        if (regular) application.activationPolicy = ActivationPolicy::regular;
        if (allMinimised != application.isHidden) {
            application.isHidden = allMinimised;
            if (announcing) announce(allMinimised ? WorkspaceEvent::hidden : WorkspaceEvent::unhidden, application);
        }
    }
    std::optional<int> front;
    if (const ClientFacts* active = m_watcher.facts(m_watcher.activeWindow());
        active && active->pid && m_running.count(*active->pid))
        front = active->pid;
    if (front == m_front) return;
    if (m_front) {
        RunningApplication& previous = m_running.at(*m_front);
        previous.isActive = false;
        if (announcing) announce(WorkspaceEvent::deactivated, previous);
    }
    m_front = front;
    if (front) {
        RunningApplication& application = m_running.at(*front);
        application.isActive = true;
        if (announcing) announce(WorkspaceEvent::activated, application);
    }
}

RunningApplication X11Applications::describe(int pid, const std::vector<xcb_window_t>& windows) {
    RunningApplication application;
    application.pid = pid;
    // An ordinary window names the application best; a splash screen or a panel may not name it.
    xcb_window_t named = windows.front();
    for (const xcb_window_t window : windows)
        if (const ClientFacts* facts = m_watcher.facts(window); facts && facts->isApplicationWindow()) {
            named = window;
            break;
        }
    std::optional<ClientIdentity> identity;
    if (X11Connection* connection = m_display.connection()) {
        Ewmh ewmh(m_display, *connection, X11Connection::deadlineAfter(EwmhWatcher::kReadSeconds));
        identity = ewmh.identity(named);
    }
    if (pid == ::getpid()) {
        // This program has no desktop entry of its own to be found by; it goes by its identifier.
        application.bundleIdentifier = host::HostSystemFacts::kBundleIdentifier;
        application.localizedName = "Tarnlet";
    } else if (identity) {
        application.bundleIdentifier = m_entries.identify(*identity);
    }
    if (application.bundleIdentifier) {
        if (const DesktopEntry* entry = m_entries.find(*application.bundleIdentifier)) {
            if (!entry->name.empty()) application.localizedName = entry->name;
            // The entry's icon is a themed name or a file, for the renderer to resolve as the
            // application's own picture.
            if (!entry->icon.empty())
                application.icon = Image::drawn(
                    application.localizedName.value_or(entry->id),
                    Drawing{{kIconSide, kIconSide}, {draw::Picture{entry->icon, Rect(0, 0, kIconSide, kIconSide)}}});
        }
        application.isFileManager = application.bundleIdentifier == m_entries.fileManager();
    }
    if (!application.localizedName && identity && !identity->className.empty())
        application.localizedName = identity->className;
    if (!application.localizedName) application.localizedName = commandName(pid);
    return application;
}

void X11Applications::announce(WorkspaceEvent event, const RunningApplication& application) {
    m_queue.post(m_weak.bind([this, event, application] { m_observers.notify(event, application); }));
}

bool X11Applications::activateApplication(int pid) {
    if (!m_running.count(pid)) return false;
    // The most recent window: the topmost shown on this desktop, else the topmost shown anywhere
    // (the window manager goes to its desktop), else the topmost minimised one (brought back).
    const std::vector<ClientFacts> stacking = m_watcher.stackingFacts();
    std::optional<xcb_window_t> target;
    for (int pass = 0; pass < 3 && !target; ++pass)
        for (auto facts = stacking.rbegin(); facts != stacking.rend(); ++facts) {
            if (facts->pid != pid) continue;
            if (pass < 2 && facts->hidden) continue;
            if (pass == 0 && !facts->isOnDesktop(m_watcher.currentDesktop())) continue;
            target = facts->window;
            break;
        }
    X11Connection* connection = m_display.connection();
    if (target && connection) connection->sendToRoot(*target, m_display.atoms().netActiveWindow, kUserSource);
    return true;
}

bool X11Applications::terminate(int pid) {
    if (!m_running.count(pid)) return false;
    const std::vector<xcb_window_t> windows = m_watcher.windowsOf(pid);
    if (windows.empty()) return m_watcher.signal(pid, SIGTERM);
    X11Connection* connection = m_display.connection();
    if (!connection) return false;
    for (const xcb_window_t window : windows)
        connection->sendToRoot(window, m_display.atoms().netCloseWindow, XCB_CURRENT_TIME, kUserSource);
    return true;
}

}  // namespace tarnlet::linux_desktop
