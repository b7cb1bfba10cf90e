#pragma once
// The trackpad's haptic feedback. Main thread.

namespace tarnlet {

class Haptics {
public:
    virtual ~Haptics() = default;
    // A generic tap, performed at the system's default moment.
    virtual void performGeneric() = 0;
};

}  // namespace tarnlet
