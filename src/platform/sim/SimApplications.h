#pragma once
// The simulated running applications and their windows, seen through the accessibility interface.
// Tests launch applications, give them windows and then read back what the code under test did to
// them. The model answers the way the real interface does: it refuses everything without the
// accessibility permission, a quit application's elements go stale, an application enforces its
// windows' minimum sizes, and a hung application fails every call after stalling the caller for
// the element's messaging timeout. Observers hear windows open, close, minimise and take focus on
// the main queue; a freshly launched application can be made to answer only after a while. Windows
// also carry what the window server lists (number, layer, opacity, desktops), read through
// SimWindowServer. Main thread only.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/WeakToken.h"
#include "platform/Accessibility.h"
#include "platform/MainQueue.h"
#include "platform/WindowServer.h"

namespace tarnlet::sim {

class SimMainQueue;
class SimPermissions;
class SimScreens;
class SimWindowServer;
class SimWorkspace;

class SimApplications : public Accessibility {
public:
    // What an application waits for before a call counts as failed when nobody set a timeout: the
    // platform's system-wide default.
    static constexpr double kDefaultMessagingTimeout = 6.0;
    static constexpr int kFirstPID = 501;

    struct WindowSpec {
        std::string title;
        Rect frame;  // desktop coordinates, origin bottom-left
        std::string subrole = "AXStandardWindow";
        Size minimumSize{};
        bool sizeSettable = true;
        // What the window server lists: ordinary windows sit on layer 0, panels above it.
        double layer = 0;
        double alpha = 1.0;
        // The desktops the window is on; none puts it on the desktop the first display shows.
        std::optional<std::vector<std::uint64_t>> spaces{};
    };

    SimApplications(SimWorkspace& workspace, SimScreens& screens, SimPermissions& permissions, SimMainQueue& queue,
                    SimWindowServer& windowServer);
    ~SimApplications() override;

    // Starts an application; the first one becomes frontmost when nothing is in front.
    int launch(std::string bundleID, std::string name, bool enhancedUserInterface = false);
    void quit(int pid);
    // Opens a window in front of the application's others: it becomes the focused and main window.
    // A null element when the process does not run.
    AXElement addWindow(int pid, WindowSpec spec);
    void closeWindow(const AXElement& window);
    // A hung application answers nothing until it responds again.
    void setResponsive(int pid, bool responsive);
    void setFocusedWindow(int pid, std::optional<AXElement> window);
    void setMainWindow(int pid, std::optional<AXElement> window);
    // A minimised window leaves the screen but stays in the application's "AXWindows".
    void setMinimized(const AXElement& window, bool minimized);
    void setWindowSpaces(const AXElement& window, std::vector<std::uint64_t> spaces);
    // An application that is still starting up answers no accessibility call (cannotComplete) until
    // it is ready; setAccessibleAfter() makes it ready after some seconds on the virtual clock.
    void setAccessible(int pid, bool accessible);
    void setAccessibleAfter(int pid, double seconds);
    // Registrations of this notification fail with notificationUnsupported.
    void setNotificationUnsupported(int pid, const std::string& notification);

    // Read-back for tests; these do not go through the accessibility interface.
    std::optional<Rect> windowFrame(const AXElement& window) const;
    bool enhancedUserInterface(int pid) const;
    std::vector<std::string> attributeWrites(int pid) const;
    std::optional<AXElement> mainWindow(int pid) const;
    std::optional<AXElement> focusedWindow(int pid) const;
    // The application's windows, front to back.
    std::vector<AXElement> windows(int pid) const;
    std::optional<double> messagingTimeout(const AXElement& element) const;
    std::optional<std::uint32_t> windowNumber(const AXElement& window) const;
    // Live observers of the process and their registrations, as (element, notification) pairs.
    std::size_t observerCount(int pid) const;
    std::vector<std::pair<AXElement, std::string>> registrations(int pid) const;

    // For the window server: every window, front to back, as it lists them, and the desktops of one
    // window (none for an unknown number).
    std::vector<WindowRecord> windowRecords(bool onScreenOnly) const;
    std::optional<std::vector<std::uint64_t>> windowSpaces(std::uint32_t number) const;

    // The user's own hand on the windows: what the window server and the application do for a
    // click or a drag, so none of it needs the permission, leaves attribute writes or waits on a
    // hung application. The simulated session does not model the stacking of windows across
    // applications: the frontmost application's windows count as in front of all others, and the
    // other applications' windows follow in launch order.
    //
    // The topmost window at a point, if any.
    std::optional<AXElement> windowAt(Point point) const;
    std::optional<int> windowOwner(const AXElement& window) const;
    // Whether the application lets the window be resized; false for a window that is gone.
    bool isWindowResizable(const AXElement& window) const;
    // A click on the window: its application comes to the front and the window becomes the
    // application's frontmost, focused and main window.
    void activateWindow(const AXElement& window);
    // Moves the window by a distance in desktop coordinates (y up).
    void moveWindowBy(const AXElement& window, double dx, double dy);
    // Resizes the window by its bottom-right corner: the top-left corner stays where it is and the
    // application enforces its minimum size. Does nothing for a window that cannot be resized.
    void resizeWindow(const AXElement& window, Size size);
    // The time callers spent waiting on hung applications.
    double stalledSeconds() const { return m_stalledSeconds; }

    AXElement createApplication(int pid) override;
    AXError setMessagingTimeout(const AXElement& element, double seconds) override;
    AXError copyAttribute(const AXElement& element, const std::string& attribute, AXValue& value) override;
    AXError isAttributeSettable(const AXElement& element, const std::string& attribute, bool& settable) override;
    AXError setAttribute(const AXElement& element, const std::string& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const std::string& action) override;
    AXError createObserver(int pid, AXObserverCallback callback, std::unique_ptr<AXObserver>& observer) override;

private:
    friend class SimAXObserver;

    struct Window {
        int pid = 0;
        std::string title;
        Rect topLeftFrame;  // global top-left coordinates, as the application itself keeps it
        std::string subrole;
        Size minimumSize;
        bool sizeSettable = true;
        std::uint32_t number = 0;
        double layer = 0;
        double alpha = 1.0;
        bool minimized = false;
        std::vector<std::uint64_t> spaces;
    };
    struct App {
        std::string bundleID;
        std::string name;
        bool enhancedUserInterface = false;
        bool responsive = true;
        std::vector<std::uint64_t> windows;  // front to back
        std::optional<std::uint64_t> focusedWindow;
        std::optional<std::uint64_t> mainWindow;
        std::vector<std::string> writes;
        bool accessible = true;
        WorkItem becomesAccessible;
        std::set<std::string> unsupportedNotifications;
    };
    struct Observer {
        int pid = 0;
        AXObserverCallback callback;
        std::set<std::pair<std::uint64_t, std::string>> registrations;  // (element id, notification)
    };
    // Where an element points: an application (window id 0) or one of its windows.
    struct Target {
        int pid = 0;
        std::uint64_t window = 0;
    };

    // Resolves an element for a call that messages the application; on failure `error` says why
    // and the caller returns it. Counts the stall of a hung application.
    App* reach(const AXElement& element, Target& target, AXError& error);
    double primaryHeight() const;
    void bringToFront(int pid, std::uint64_t window);
    std::uint64_t newID() { return m_nextID++; }
    AXElement appElementID(int pid);
    bool isOnScreen(const Window& window) const;
    // The applications' pids in stacking order: the frontmost first, then the others by launch.
    std::vector<int> stackingOrder() const;
    // Queues the notification about `element` for every observer of the process that registered it
    // on that element or on the application element.
    void notify(int pid, std::uint64_t element, const std::string& notification);
    // Moves focus and main status, telling observers about each that changes.
    void setFocusAndMain(int pid, std::optional<std::uint64_t> focused, std::optional<std::uint64_t> main);
    AXError addRegistration(std::uint64_t observer, const AXElement& element, const std::string& notification);
    AXError removeRegistration(std::uint64_t observer, const AXElement& element, const std::string& notification);
    void removeObserver(std::uint64_t observer) { m_observers.erase(observer); }

    SimWorkspace& m_workspace;
    SimScreens& m_screens;
    SimPermissions& m_permissions;
    SimMainQueue& m_queue;
    SimWindowServer& m_windowServer;
    int m_nextPID = kFirstPID;
    std::uint32_t m_nextWindowNumber = 100;
    std::uint64_t m_nextObserver = 1;
    std::map<std::uint64_t, Observer> m_observers;
    std::map<std::uint32_t, std::uint64_t> m_numbers;  // window number -> window element id
    std::uint64_t m_nextID = 1;
    std::map<int, App> m_apps;
    std::map<std::uint64_t, Window> m_windows;
    std::map<int, std::uint64_t> m_appElements;       // pid -> element id, stable per process
    std::map<std::uint64_t, Target> m_targets;        // element id -> what it names
    std::map<std::uint64_t, double> m_timeouts;       // element id -> messaging timeout
    double m_stalledSeconds = 0;
    WeakFactory m_weak;
};

}  // namespace tarnlet::sim
