#pragma once
// A stand-in tool for the feature table: it only counts how often the core switched it on and off.

#include "base/Feature.h"

namespace tarnlet::test {

class ProbeFeature : public Feature {
public:
    bool isActive() const override { return m_active; }
    void activate() override {
        ++activations;
        m_active = true;
    }
    void deactivate() override {
        ++deactivations;
        m_active = false;
    }
    int activations = 0;
    int deactivations = 0;

private:
    bool m_active = false;
};

}  // namespace tarnlet::test
