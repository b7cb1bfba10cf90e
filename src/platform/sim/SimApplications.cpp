// placeholder: the simulated applications land with the window tools
#include "platform/sim/SimApplications.h"

namespace tarnlet::sim {
SimApplications::SimApplications(SimWorkspace& workspace, SimScreens& screens) : m_workspace(workspace), m_screens(screens) {}
AXElement SimApplications::createApplication(int) { return {}; }
AXError SimApplications::setMessagingTimeout(const AXElement&, double) { return AXError::apiDisabled; }
AXError SimApplications::copyAttribute(const AXElement&, const std::string&, AXValue&) { return AXError::apiDisabled; }
AXError SimApplications::isAttributeSettable(const AXElement&, const std::string&, bool&) { return AXError::apiDisabled; }
AXError SimApplications::setAttribute(const AXElement&, const std::string&, const AXValue&) { return AXError::apiDisabled; }
AXError SimApplications::performAction(const AXElement&, const std::string&) { return AXError::apiDisabled; }
}  // namespace tarnlet::sim
