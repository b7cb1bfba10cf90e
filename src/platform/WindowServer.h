#pragma once
// The window server. Main thread.

namespace tarnlet {

class WindowServer {
public:
    virtual ~WindowServer() = default;
    // Whether the desktop (Space) lookups could be resolved on this system. They are optional:
    // without them window counts cover the visible desktop only.
    virtual bool isSpaceInterfaceAvailable() const = 0;
};

}  // namespace tarnlet
