#pragma once
// The simulated trackpad: counts the haptic taps it was asked for.

#include "platform/Haptics.h"

namespace tarnlet::sim {

class SimHaptics : public Haptics {
public:
    void performGeneric() override { ++m_count; }
    int count() const { return m_count; }

private:
    int m_count = 0;
};

}  // namespace tarnlet::sim
