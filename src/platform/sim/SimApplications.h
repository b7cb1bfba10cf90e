#pragma once
// The simulated running applications and their windows, seen through the accessibility interface.
// Tests launch applications, give them windows and then read back what the code under test did to
// them. The model answers the way the real interface does: it refuses everything without the
// accessibility permission, a quit application's elements go stale, an application enforces its
// windows' minimum sizes, and a hung application fails every call after stalling the caller for
// the element's messaging timeout. Main thread only.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Accessibility.h"

namespace tarnlet::sim {

class SimPermissions;
class SimScreens;
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
    };

    SimApplications(SimWorkspace& workspace, SimScreens& screens, SimPermissions& permissions);

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

    // Read-back for tests; these do not go through the accessibility interface.
    std::optional<Rect> windowFrame(const AXElement& window) const;
    bool enhancedUserInterface(int pid) const;
    std::vector<std::string> attributeWrites(int pid) const;
    std::optional<AXElement> mainWindow(int pid) const;
    std::optional<AXElement> focusedWindow(int pid) const;
    // The application's windows, front to back.
    std::vector<AXElement> windows(int pid) const;
    std::optional<double> messagingTimeout(const AXElement& element) const;

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

private:
    struct Window {
        int pid = 0;
        std::string title;
        Rect topLeftFrame;  // global top-left coordinates, as the application itself keeps it
        std::string subrole;
        Size minimumSize;
        bool sizeSettable = true;
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
    void bringToFront(App& app, std::uint64_t window);
    std::uint64_t newID() { return m_nextID++; }
    AXElement appElementID(int pid);

    SimWorkspace& m_workspace;
    SimScreens& m_screens;
    SimPermissions& m_permissions;
    int m_nextPID = kFirstPID;
    std::uint64_t m_nextID = 1;
    std::map<int, App> m_apps;
    std::map<std::uint64_t, Window> m_windows;
    std::map<int, std::uint64_t> m_appElements;       // pid -> element id, stable per process
    std::map<std::uint64_t, Target> m_targets;        // element id -> what it names
    std::map<std::uint64_t, double> m_timeouts;       // element id -> messaging timeout
    double m_stalledSeconds = 0;
};

}  // namespace tarnlet::sim
