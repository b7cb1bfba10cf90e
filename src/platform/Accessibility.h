#pragma once
// The accessibility interface through which the window tools read and move other applications'
// windows. Elements are opaque handles to an application or one of its user-interface objects;
// every call reports the platform's error code, so callers can tell "no value" from a refusal or an
// application that did not answer within its messaging timeout. A call blocks for at most the
// messaging timeout of the element's application.
//
// Threading. Every call may be made on the main thread. One more caller is allowed: the window
// census of Sweep reads other applications' windows on its own serial queue (SweepEngine's census
// queue), so that an application that does not answer stalls that queue for its messaging timeout
// instead of the main thread. From that queue only copyAttribute() is called, with elements the main
// thread created; those calls never overlap one another (the queue is serial), but they may run at
// the same time as any call on the main thread, including one on the same element. Everything else —
// createApplication, setMessagingTimeout, isAttributeSettable, setAttribute, performAction,
// createObserver and the observers' methods — is main thread only, and observer callbacks run on the
// main queue. A new background caller must be added to this contract, not just to the code.
//
// What an implementation therefore guarantees: copyAttribute() is safe on the census queue while the
// main thread uses the interface; elements are plain values, valid on any thread; a messaging
// timeout set on the main thread applies to background calls as well; and a background call waiting
// for an application holds nothing the main thread needs. A backend that talks to a display server
// (the X11 backend) gives background reads a connection of their own, or holds a shared one only for
// the time it takes to send a request, never while waiting for a reply that may not come.
//
// Observers report notifications of one process (a window created, an element destroyed, focus
// moved) on the main queue for as long as the observer lives:
//
//     std::unique_ptr<AXObserver> observer;
//     if (ax.createObserver(pid, [](const AXElement& e, const std::string& name) { ... }, observer) ==
//         AXError::success)
//         observer->addNotification(ax.createApplication(pid), "AXWindowCreated");

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/Geometry.h"

namespace tarnlet {

enum class AXError : int {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    cannotComplete = -25204,  // the application did not answer in time
    attributeUnsupported = -25205,
    actionUnsupported = -25206,
    notificationUnsupported = -25207,
    notImplemented = -25208,
    notificationAlreadyRegistered = -25209,
    notificationNotRegistered = -25210,
    apiDisabled = -25211,  // the process is not trusted for accessibility
    noValue = -25212,
};

// An accessibility element. Equal handles name the same object; hash() is stable for the object's
// lifetime.
class AXElement {
public:
    AXElement() = default;
    explicit AXElement(std::uint64_t id) : m_id(id) {}
    bool isNull() const { return m_id == 0; }
    std::uint64_t id() const { return m_id; }
    std::uint64_t hash() const;
    friend bool operator==(const AXElement&, const AXElement&) = default;

private:
    std::uint64_t m_id = 0;
};

// What an attribute holds. Positions are in the global top-left space of the accessibility
// interface (y grows downward from the top of the first screen).
using AXValue = std::variant<std::monostate, bool, long long, double, std::string, Point, Size, AXElement,
                             std::vector<AXElement>>;

// Called on the main queue with the element a notification concerns and the notification's name.
using AXObserverCallback = std::function<void(const AXElement& element, const std::string& notification)>;

// Notifications of one process. Destroying the observer stops delivery at once, including of
// notifications already queued.
class AXObserver {
public:
    virtual ~AXObserver() = default;
    // Registers a notification on the application element or one of its elements; a second
    // registration of the same pair fails with notificationAlreadyRegistered.
    virtual AXError addNotification(const AXElement& element, const std::string& notification) = 0;
    virtual AXError removeNotification(const AXElement& element, const std::string& notification) = 0;
};

class Accessibility {
public:
    virtual ~Accessibility() = default;

    virtual AXElement createApplication(int pid) = 0;
    virtual AXError setMessagingTimeout(const AXElement& element, double seconds) = 0;
    virtual AXError copyAttribute(const AXElement& element, const std::string& attribute, AXValue& value) = 0;
    virtual AXError isAttributeSettable(const AXElement& element, const std::string& attribute, bool& settable) = 0;
    virtual AXError setAttribute(const AXElement& element, const std::string& attribute, const AXValue& value) = 0;
    virtual AXError performAction(const AXElement& element, const std::string& action) = 0;
    // On success `observer` holds a new observer of the process that calls `callback`.
    virtual AXError createObserver(int pid, AXObserverCallback callback, std::unique_ptr<AXObserver>& observer) = 0;
};

}  // namespace tarnlet
