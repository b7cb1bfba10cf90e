#pragma once
// The pointer: where it is, monitors of the mouse events of the whole session, and the drag
// pasteboard's change count. A global monitor hears the events aimed at other applications and
// hears nothing without the accessibility permission; a local monitor hears those aimed at this
// application (its own panels). Monitors only watch: the event goes on unchanged either way.
// Destroying a monitor's handle removes it, safely even from inside its own handler. Main thread
// only; handlers run on the main thread.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/Geometry.h"

namespace tarnlet {

enum class MouseEventType : std::uint8_t { moved, leftDragged, leftUp, leftDown, rightDown };

using MouseEventMask = std::uint32_t;
namespace MouseMask {
inline constexpr MouseEventMask moved = 1u << 0;
inline constexpr MouseEventMask leftDragged = 1u << 1;
inline constexpr MouseEventMask leftUp = 1u << 2;
inline constexpr MouseEventMask leftDown = 1u << 3;
inline constexpr MouseEventMask rightDown = 1u << 4;
}  // namespace MouseMask

constexpr MouseEventMask maskOf(MouseEventType type) { return 1u << static_cast<unsigned>(type); }

struct MouseEvent {
    MouseEventType type = MouseEventType::moved;
    Point location;  // desktop coordinates, origin bottom-left
};

class MouseMonitor {
public:
    virtual ~MouseMonitor() = default;
};

class Mouse {
public:
    virtual ~Mouse() = default;
    using Handler = std::function<void(const MouseEvent&)>;

    // The pointer's location in desktop coordinates.
    virtual Point location() const = 0;
    virtual std::unique_ptr<MouseMonitor> addGlobalMonitor(MouseEventMask mask, Handler handler) = 0;
    virtual std::unique_ptr<MouseMonitor> addLocalMonitor(MouseEventMask mask, Handler handler) = 0;
    // Grows by one each time a drag puts something new on the drag pasteboard.
    virtual int dragPasteboardChangeCount() const = 0;
};

}  // namespace tarnlet
