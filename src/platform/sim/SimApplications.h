#pragma once
// The simulated running applications and their windows, seen through the accessibility interface.

#include "platform/Accessibility.h"

namespace tarnlet::sim {

class SimScreens;
class SimWorkspace;

class SimApplications : public Accessibility {
public:
    SimApplications(SimWorkspace& workspace, SimScreens& screens);

    AXElement createApplication(int pid) override;
    AXError setMessagingTimeout(const AXElement& element, double seconds) override;
    AXError copyAttribute(const AXElement& element, const std::string& attribute, AXValue& value) override;
    AXError isAttributeSettable(const AXElement& element, const std::string& attribute, bool& settable) override;
    AXError setAttribute(const AXElement& element, const std::string& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const std::string& action) override;

private:
    SimWorkspace& m_workspace;
    SimScreens& m_screens;
};

}  // namespace tarnlet::sim
