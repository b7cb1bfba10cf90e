#pragma once
// The accessibility interface through which the window tools read and move other applications'
// windows. Elements are opaque handles to an application or one of its user-interface objects;
// every call reports the platform's error code, so callers can tell "no value" from a refusal or an
// application that did not answer within its messaging timeout. Main thread only; a call blocks
// for at most the element's messaging timeout.

#include <cstdint>
#include <functional>
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
    notImplemented = -25208,
    notificationAlreadyRegistered = -25209,
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

class Accessibility {
public:
    virtual ~Accessibility() = default;

    virtual AXElement createApplication(int pid) = 0;
    virtual AXError setMessagingTimeout(const AXElement& element, double seconds) = 0;
    virtual AXError copyAttribute(const AXElement& element, const std::string& attribute, AXValue& value) = 0;
    virtual AXError isAttributeSettable(const AXElement& element, const std::string& attribute, bool& settable) = 0;
    virtual AXError setAttribute(const AXElement& element, const std::string& attribute, const AXValue& value) = 0;
    virtual AXError performAction(const AXElement& element, const std::string& action) = 0;
};

}  // namespace tarnlet
