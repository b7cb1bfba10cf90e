#pragma once
// The simulated window server.

#include "platform/WindowServer.h"

namespace tarnlet::sim {

class SimWindowServer : public WindowServer {
public:
    bool isSpaceInterfaceAvailable() const override { return m_spacesAvailable; }
    void setSpaceInterfaceAvailable(bool available) { m_spacesAvailable = available; }

private:
    bool m_spacesAvailable = true;
};

}  // namespace tarnlet::sim
