#include "platform/sim/SimApplications.h"

#include <algorithm>
#include <cmath>

#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimPermissions.h"
#include "platform/sim/SimScreens.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorkspace.h"

namespace tarnlet::sim {

namespace {

const std::string kFocusedWindow = "AXFocusedWindow";
const std::string kMainWindow = "AXMainWindow";
const std::string kWindows = "AXWindows";
const std::string kEnhancedUserInterface = "AXEnhancedUserInterface";
const std::string kTitle = "AXTitle";
const std::string kRole = "AXRole";
const std::string kPosition = "AXPosition";
const std::string kSize = "AXSize";
const std::string kSubrole = "AXSubrole";
const std::string kMinimized = "AXMinimized";
const std::string kWindowCreated = "AXWindowCreated";
const std::string kDestroyed = "AXUIElementDestroyed";
const std::string kFocusedWindowChanged = "AXFocusedWindowChanged";
const std::string kMainWindowChanged = "AXMainWindowChanged";

bool isApplicationAttribute(const std::string& a) {
    return a == kFocusedWindow || a == kMainWindow || a == kWindows || a == kEnhancedUserInterface || a == kTitle ||
           a == kRole;
}

bool isWindowAttribute(const std::string& a) {
    return a == kPosition || a == kSize || a == kTitle || a == kSubrole || a == kRole || a == kMinimized;
}

}  // namespace

// An observer handed to the code under test; its registrations live in SimApplications so that
// events can find them.
class SimAXObserver : public AXObserver {
public:
    SimAXObserver(SimApplications& apps, std::uint64_t id) : m_apps(&apps), m_alive(apps.m_weak.token()), m_id(id) {}
    ~SimAXObserver() override {
        if (m_alive.isAlive()) m_apps->removeObserver(m_id);
    }
    AXError addNotification(const AXElement& element, const std::string& notification) override {
        if (!m_alive.isAlive()) return AXError::invalidUIElement;
        return m_apps->addRegistration(m_id, element, notification);
    }
    AXError removeNotification(const AXElement& element, const std::string& notification) override {
        if (!m_alive.isAlive()) return AXError::invalidUIElement;
        return m_apps->removeRegistration(m_id, element, notification);
    }

private:
    SimApplications* m_apps;
    WeakToken m_alive;
    std::uint64_t m_id;
};

SimApplications::SimApplications(SimWorkspace& workspace, SimScreens& screens, SimPermissions& permissions,
                                 SimMainQueue& queue, SimWindowServer& windowServer)
    : m_workspace(workspace),
      m_screens(screens),
      m_permissions(permissions),
      m_queue(queue),
      m_windowServer(windowServer) {
    m_windowServer.setApplications(this);
    // An application that agrees to a quit request exits with its windows.
    m_workspace.onQuit = [this](int pid) { quit(pid); };
}

SimApplications::~SimApplications() { m_windowServer.setApplications(nullptr); }

int SimApplications::launch(std::string bundleID, std::string name, bool enhancedUserInterface) {
    const int pid = m_nextPID++;
    App app;
    app.bundleID = std::move(bundleID);
    app.name = std::move(name);
    app.enhancedUserInterface = enhancedUserInterface;
    m_apps.emplace(pid, std::move(app));
    appElementID(pid);
    m_workspace.addRunningApplication(pid, m_apps.at(pid).bundleID, m_apps.at(pid).name);
    if (!m_workspace.frontmostApplicationPID()) m_workspace.setFrontmostApplicationPID(pid);
    return pid;
}

void SimApplications::quit(int pid) {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end()) return;
    // The window elements stay known but name nothing any more, so every later call on them fails
    // the way a stale element does.
    for (const std::uint64_t window : it->second.windows) {
        notify(pid, window, kDestroyed);
        m_numbers.erase(m_windows.at(window).number);
        m_windows.erase(window);
    }
    notify(pid, appElementID(pid).id(), kDestroyed);
    m_apps.erase(it);
    m_workspace.removeRunningApplication(pid);
}

AXElement SimApplications::addWindow(int pid, WindowSpec spec) {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end()) return {};
    const std::uint64_t id = newID();
    const Rect& f = spec.frame;
    Window window;
    window.pid = pid;
    window.title = std::move(spec.title);
    window.topLeftFrame = Rect(f.minX(), primaryHeight() - f.maxY(), f.width(), f.height());
    window.subrole = std::move(spec.subrole);
    window.minimumSize = spec.minimumSize;
    window.sizeSettable = spec.sizeSettable;
    window.number = m_nextWindowNumber++;
    window.layer = spec.layer;
    window.alpha = spec.alpha;
    if (spec.spaces) {
        window.spaces = std::move(*spec.spaces);
    } else if (const auto shown = m_windowServer.activeSpace(0)) {
        window.spaces = {*shown};
    }
    m_numbers[window.number] = id;
    m_windows.emplace(id, std::move(window));
    m_targets[id] = Target{pid, id};
    it->second.windows.insert(it->second.windows.begin(), id);
    notify(pid, id, kWindowCreated);
    setFocusAndMain(pid, id, id);
    return AXElement(id);
}

void SimApplications::closeWindow(const AXElement& element) {
    const auto w = m_windows.find(element.id());
    if (w == m_windows.end()) return;
    App& app = m_apps.at(w->second.pid);
    std::erase(app.windows, element.id());
    // The application hands focus and main status to its next window, as a document app does.
    const std::optional<std::uint64_t> next =
        app.windows.empty() ? std::nullopt : std::optional<std::uint64_t>(app.windows.front());
    const int pid = w->second.pid;
    notify(pid, element.id(), kDestroyed);
    m_numbers.erase(w->second.number);
    m_windows.erase(w);
    setFocusAndMain(pid, app.focusedWindow == element.id() ? next : app.focusedWindow,
                    app.mainWindow == element.id() ? next : app.mainWindow);
}

void SimApplications::setResponsive(int pid, bool responsive) {
    if (const auto it = m_apps.find(pid); it != m_apps.end()) it->second.responsive = responsive;
}

void SimApplications::setFocusedWindow(int pid, std::optional<AXElement> window) {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end()) return;
    setFocusAndMain(pid, window ? std::optional<std::uint64_t>(window->id()) : std::nullopt, it->second.mainWindow);
}

void SimApplications::setMainWindow(int pid, std::optional<AXElement> window) {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end()) return;
    setFocusAndMain(pid, it->second.focusedWindow, window ? std::optional<std::uint64_t>(window->id()) : std::nullopt);
}

void SimApplications::setMinimized(const AXElement& element, bool minimized) {
    const auto w = m_windows.find(element.id());
    if (w == m_windows.end() || w->second.minimized == minimized) return;
    w->second.minimized = minimized;
    const int pid = w->second.pid;
    notify(pid, element.id(), minimized ? "AXWindowMiniaturized" : "AXWindowDeminiaturized");
    if (!minimized) return;
    // Focus and main status pass to the next window still on screen.
    App& app = m_apps.at(pid);
    std::optional<std::uint64_t> next;
    for (const std::uint64_t id : app.windows)
        if (!m_windows.at(id).minimized) {
            next = id;
            break;
        }
    setFocusAndMain(pid, app.focusedWindow == element.id() ? next : app.focusedWindow,
                    app.mainWindow == element.id() ? next : app.mainWindow);
}

void SimApplications::setWindowSpaces(const AXElement& window, std::vector<std::uint64_t> spaces) {
    if (const auto w = m_windows.find(window.id()); w != m_windows.end()) w->second.spaces = std::move(spaces);
}

void SimApplications::setAccessible(int pid, bool accessible) {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end()) return;
    it->second.accessible = accessible;
    it->second.becomesAccessible.cancel();
}

void SimApplications::setAccessibleAfter(int pid, double seconds) {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end()) return;
    it->second.accessible = false;
    it->second.becomesAccessible = m_queue.postAfter(seconds, m_weak.bind([this, pid] {
        if (const auto app = m_apps.find(pid); app != m_apps.end()) app->second.accessible = true;
    }));
}

void SimApplications::setNotificationUnsupported(int pid, const std::string& notification) {
    if (const auto it = m_apps.find(pid); it != m_apps.end()) it->second.unsupportedNotifications.insert(notification);
}

std::optional<std::uint32_t> SimApplications::windowNumber(const AXElement& window) const {
    const auto w = m_windows.find(window.id());
    if (w == m_windows.end()) return std::nullopt;
    return w->second.number;
}

std::size_t SimApplications::observerCount(int pid) const {
    return static_cast<std::size_t>(
        std::count_if(m_observers.begin(), m_observers.end(), [&](const auto& o) { return o.second.pid == pid; }));
}

std::vector<std::pair<AXElement, std::string>> SimApplications::registrations(int pid) const {
    std::vector<std::pair<AXElement, std::string>> result;
    for (const auto& [id, observer] : m_observers)
        if (observer.pid == pid)
            for (const auto& [element, name] : observer.registrations) result.emplace_back(AXElement(element), name);
    return result;
}

bool SimApplications::isOnScreen(const Window& window) const {
    if (window.minimized) return false;
    if (const auto app = m_workspace.runningApplication(window.pid); app && app->isHidden) return false;
    return std::any_of(window.spaces.begin(), window.spaces.end(),
                       [&](std::uint64_t space) { return m_windowServer.isSpaceActive(space); });
}

std::vector<int> SimApplications::stackingOrder() const {
    std::vector<int> order;
    const std::optional<int> front = m_workspace.frontmostApplicationPID();
    if (front && m_apps.count(*front)) order.push_back(*front);
    // Process identifiers grow with every launch, so the map's order is the launch order.
    for (const auto& [pid, app] : m_apps)
        if (pid != front) order.push_back(pid);
    return order;
}

std::vector<WindowRecord> SimApplications::windowRecords(bool onScreenOnly) const {
    std::vector<WindowRecord> records;
    for (const int pid : stackingOrder())
        for (const std::uint64_t id : m_apps.at(pid).windows) {
            const Window& window = m_windows.at(id);
            if (onScreenOnly && !isOnScreen(window)) continue;
            records.push_back({pid, window.number, window.layer, window.topLeftFrame, window.alpha});
        }
    return records;
}

std::optional<std::vector<std::uint64_t>> SimApplications::windowSpaces(std::uint32_t number) const {
    const auto it = m_numbers.find(number);
    if (it == m_numbers.end()) return std::nullopt;
    return m_windows.at(it->second).spaces;
}

void SimApplications::notify(int pid, std::uint64_t element, const std::string& notification) {
    const std::uint64_t appElement = appElementID(pid).id();
    for (const auto& [id, observer] : m_observers) {
        if (observer.pid != pid) continue;
        if (!observer.registrations.count({element, notification}) &&
            !observer.registrations.count({appElement, notification}))
            continue;
        // Delivered later on the main queue, and only if the observer still lives by then.
        m_queue.post(m_weak.bind([this, observerID = id, element, notification] {
            const auto o = m_observers.find(observerID);
            if (o == m_observers.end()) return;
            const AXObserverCallback callback = o->second.callback;
            if (callback) callback(AXElement(element), notification);
        }));
    }
}

void SimApplications::setFocusAndMain(int pid, std::optional<std::uint64_t> focused,
                                      std::optional<std::uint64_t> main) {
    App& app = m_apps.at(pid);
    const bool focusChanged = app.focusedWindow != focused;
    const bool mainChanged = app.mainWindow != main;
    app.focusedWindow = focused;
    app.mainWindow = main;
    const std::uint64_t appElement = appElementID(pid).id();
    if (focusChanged) notify(pid, focused.value_or(appElement), kFocusedWindowChanged);
    if (mainChanged) notify(pid, main.value_or(appElement), kMainWindowChanged);
}

AXError SimApplications::createObserver(int pid, AXObserverCallback callback, std::unique_ptr<AXObserver>& observer) {
    if (!m_permissions.isAccessibilityTrusted()) return AXError::apiDisabled;
    if (pid <= 0 || !callback) return AXError::illegalArgument;
    // Like the real call this needs no answer from the process; registrations do.
    const std::uint64_t id = m_nextObserver++;
    m_observers[id] = Observer{pid, std::move(callback), {}};
    observer = std::make_unique<SimAXObserver>(*this, id);
    return AXError::success;
}

AXError SimApplications::addRegistration(std::uint64_t observerID, const AXElement& element,
                                         const std::string& notification) {
    Target target;
    AXError error;
    App* app = reach(element, target, error);
    if (!app) return error;
    Observer& observer = m_observers.at(observerID);
    if (target.pid != observer.pid || notification.empty()) return AXError::illegalArgument;
    if (app->unsupportedNotifications.count(notification)) return AXError::notificationUnsupported;
    if (!observer.registrations.insert({element.id(), notification}).second)
        return AXError::notificationAlreadyRegistered;
    return AXError::success;
}

AXError SimApplications::removeRegistration(std::uint64_t observerID, const AXElement& element,
                                            const std::string& notification) {
    Observer& observer = m_observers.at(observerID);
    if (!observer.registrations.erase({element.id(), notification})) return AXError::notificationNotRegistered;
    return AXError::success;
}

std::optional<Rect> SimApplications::windowFrame(const AXElement& element) const {
    const auto w = m_windows.find(element.id());
    if (w == m_windows.end()) return std::nullopt;
    const Rect& f = w->second.topLeftFrame;
    return Rect(f.minX(), primaryHeight() - f.maxY(), f.width(), f.height());
}

bool SimApplications::enhancedUserInterface(int pid) const {
    const auto it = m_apps.find(pid);
    return it != m_apps.end() && it->second.enhancedUserInterface;
}

std::vector<std::string> SimApplications::attributeWrites(int pid) const {
    const auto it = m_apps.find(pid);
    return it == m_apps.end() ? std::vector<std::string>{} : it->second.writes;
}

std::optional<AXElement> SimApplications::mainWindow(int pid) const {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end() || !it->second.mainWindow) return std::nullopt;
    return AXElement(*it->second.mainWindow);
}

std::optional<AXElement> SimApplications::focusedWindow(int pid) const {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end() || !it->second.focusedWindow) return std::nullopt;
    return AXElement(*it->second.focusedWindow);
}

std::vector<AXElement> SimApplications::windows(int pid) const {
    std::vector<AXElement> result;
    if (const auto it = m_apps.find(pid); it != m_apps.end())
        for (const std::uint64_t id : it->second.windows) result.emplace_back(id);
    return result;
}

std::optional<double> SimApplications::messagingTimeout(const AXElement& element) const {
    const auto it = m_timeouts.find(element.id());
    if (it == m_timeouts.end()) return std::nullopt;
    return it->second;
}

AXElement SimApplications::appElementID(int pid) {
    auto [it, inserted] = m_appElements.try_emplace(pid, 0);
    if (inserted) {
        it->second = newID();
        m_targets[it->second] = Target{pid, 0};
    }
    return AXElement(it->second);
}

AXElement SimApplications::createApplication(int pid) {
    // Like the real call this only wraps the process identifier: it succeeds for any pid, and the
    // element fails later when nothing runs under it.
    return appElementID(pid);
}

double SimApplications::primaryHeight() const {
    const auto screens = m_screens.screens();
    return screens.empty() ? 0 : screens.front().frame.maxY();
}

SimApplications::App* SimApplications::reach(const AXElement& element, Target& target, AXError& error) {
    if (!m_permissions.isAccessibilityTrusted()) {
        error = AXError::apiDisabled;
        return nullptr;
    }
    const auto t = m_targets.find(element.id());
    if (element.isNull() || t == m_targets.end()) {
        error = AXError::illegalArgument;
        return nullptr;
    }
    target = t->second;
    const auto app = m_apps.find(target.pid);
    if (app == m_apps.end() || (target.window != 0 && !m_windows.count(target.window))) {
        error = AXError::invalidUIElement;
        return nullptr;
    }
    if (!app->second.accessible) {
        // Still starting up: nothing answers yet, and the call fails at once.
        error = AXError::cannotComplete;
        return nullptr;
    }
    if (!app->second.responsive) {
        const auto timeout = m_timeouts.find(element.id());
        m_stalledSeconds += timeout == m_timeouts.end() ? kDefaultMessagingTimeout : timeout->second;
        error = AXError::cannotComplete;
        return nullptr;
    }
    error = AXError::success;
    return &app->second;
}

AXError SimApplications::setMessagingTimeout(const AXElement& element, double seconds) {
    if (!m_permissions.isAccessibilityTrusted()) return AXError::apiDisabled;
    if (element.isNull() || !m_targets.count(element.id()) || !(seconds >= 0) || !std::isfinite(seconds))
        return AXError::illegalArgument;
    // The timeout lives in the caller's handle, so setting it needs no answer from the application.
    m_timeouts[element.id()] = seconds;
    return AXError::success;
}

AXError SimApplications::copyAttribute(const AXElement& element, const std::string& attribute, AXValue& value) {
    Target target;
    AXError error;
    App* app = reach(element, target, error);
    if (!app) return error;
    if (target.window == 0) {
        if (attribute == kFocusedWindow || attribute == kMainWindow) {
            const auto& window = attribute == kFocusedWindow ? app->focusedWindow : app->mainWindow;
            if (!window) return AXError::noValue;
            value = AXElement(*window);
        } else if (attribute == kWindows) {
            // Applications report the windows of the desktop shown now and their minimised ones;
            // with none, the attribute has no value rather than an empty list.
            std::vector<AXElement> list;
            for (const std::uint64_t id : app->windows) {
                const Window& window = m_windows.at(id);
                const bool shown = std::any_of(window.spaces.begin(), window.spaces.end(),
                                               [&](std::uint64_t space) { return m_windowServer.isSpaceActive(space); });
                if (shown || window.minimized) list.emplace_back(id);
            }
            if (list.empty()) return AXError::noValue;
            value = std::move(list);
        } else if (attribute == kEnhancedUserInterface) {
            value = app->enhancedUserInterface;
        } else if (attribute == kTitle) {
            value = app->name;
        } else if (attribute == kRole) {
            value = std::string("AXApplication");
        } else {
            return AXError::attributeUnsupported;
        }
        return AXError::success;
    }
    const Window& window = m_windows.at(target.window);
    if (attribute == kPosition) {
        value = window.topLeftFrame.origin;
    } else if (attribute == kSize) {
        value = window.topLeftFrame.size;
    } else if (attribute == kTitle) {
        value = window.title;
    } else if (attribute == kSubrole) {
        // A window without a subrole has nothing to report.
        if (window.subrole.empty()) return AXError::noValue;
        value = window.subrole;
    } else if (attribute == kMinimized) {
        value = window.minimized;
    } else if (attribute == kRole) {
        value = std::string("AXWindow");
    } else {
        return AXError::attributeUnsupported;
    }
    return AXError::success;
}

AXError SimApplications::isAttributeSettable(const AXElement& element, const std::string& attribute, bool& settable) {
    Target target;
    AXError error;
    if (!reach(element, target, error)) return error;
    if (target.window == 0) {
        if (!isApplicationAttribute(attribute)) return AXError::attributeUnsupported;
        settable = attribute == kEnhancedUserInterface;
        return AXError::success;
    }
    if (!isWindowAttribute(attribute)) return AXError::attributeUnsupported;
    settable = attribute == kPosition || (attribute == kSize && m_windows.at(target.window).sizeSettable);
    return AXError::success;
}

AXError SimApplications::setAttribute(const AXElement& element, const std::string& attribute, const AXValue& value) {
    Target target;
    AXError error;
    App* app = reach(element, target, error);
    if (!app) return error;
    if (target.window == 0) {
        if (!isApplicationAttribute(attribute)) return AXError::attributeUnsupported;
        if (attribute != kEnhancedUserInterface) return AXError::attributeUnsupported;
        const bool* on = std::get_if<bool>(&value);
        if (!on) return AXError::illegalArgument;
        app->enhancedUserInterface = *on;
        app->writes.push_back(attribute + (*on ? "=true" : "=false"));
        return AXError::success;
    }
    if (!isWindowAttribute(attribute)) return AXError::attributeUnsupported;
    Window& window = m_windows.at(target.window);
    if (attribute == kPosition) {
        const Point* p = std::get_if<Point>(&value);
        if (!p || !std::isfinite(p->x) || !std::isfinite(p->y)) return AXError::illegalArgument;
        window.topLeftFrame.origin = *p;
    } else if (attribute == kSize) {
        if (!window.sizeSettable) return AXError::attributeUnsupported;
        const Size* s = std::get_if<Size>(&value);
        if (!s || !std::isfinite(s->width) || !std::isfinite(s->height)) return AXError::illegalArgument;
        // The application enforces its minimum; the top-left corner stays where it is.
        window.topLeftFrame.size = {std::max(s->width, window.minimumSize.width),
                                    std::max(s->height, window.minimumSize.height)};
    } else {
        return AXError::attributeUnsupported;
    }
    app->writes.push_back(attribute);
    return AXError::success;
}

std::optional<AXElement> SimApplications::windowAt(Point point) const {
    // Minimised windows and windows on desktops not shown cannot be hit.
    for (const int pid : stackingOrder())
        for (const std::uint64_t id : m_apps.at(pid).windows)
            if (isOnScreen(m_windows.at(id)) && windowFrame(AXElement(id))->contains(point)) return AXElement(id);
    return std::nullopt;
}

std::optional<int> SimApplications::windowOwner(const AXElement& window) const {
    const auto w = m_windows.find(window.id());
    if (w == m_windows.end()) return std::nullopt;
    return w->second.pid;
}

bool SimApplications::isWindowResizable(const AXElement& window) const {
    const auto w = m_windows.find(window.id());
    return w != m_windows.end() && w->second.sizeSettable;
}

void SimApplications::activateWindow(const AXElement& window) {
    const auto w = m_windows.find(window.id());
    if (w == m_windows.end()) return;
    const int pid = w->second.pid;
    bringToFront(pid, window.id());
    m_workspace.activateApplication(pid);
}

void SimApplications::moveWindowBy(const AXElement& window, double dx, double dy) {
    const auto w = m_windows.find(window.id());
    if (w == m_windows.end() || !std::isfinite(dx) || !std::isfinite(dy)) return;
    // Up on the desktop is down in the application's own top-left coordinates.
    w->second.topLeftFrame = w->second.topLeftFrame.offsetBy(dx, -dy);
}

void SimApplications::resizeWindow(const AXElement& window, Size size) {
    const auto w = m_windows.find(window.id());
    if (w == m_windows.end() || !w->second.sizeSettable || !std::isfinite(size.width) || !std::isfinite(size.height))
        return;
    Window& win = w->second;
    win.topLeftFrame.size = {std::max({size.width, win.minimumSize.width, 0.0}),
                             std::max({size.height, win.minimumSize.height, 0.0})};
}

void SimApplications::bringToFront(int pid, std::uint64_t window) {
    App& app = m_apps.at(pid);
    std::erase(app.windows, window);
    app.windows.insert(app.windows.begin(), window);
    setFocusAndMain(pid, window, window);
}

AXError SimApplications::performAction(const AXElement& element, const std::string& action) {
    Target target;
    AXError error;
    App* app = reach(element, target, error);
    if (!app) return error;
    if (target.window == 0 || action != "AXRaise") return AXError::actionUnsupported;
    bringToFront(target.pid, target.window);
    return AXError::success;
}

}  // namespace tarnlet::sim
