#include "platform/sim/SimSystemFacts.h"

namespace tarnlet::sim {

SimSystemFacts::SimSystemFacts() : m_bundleIdentifier("app.tarnletapp.Tarnlet") {
    m_machine.model = "Mac15,6";
    m_machine.architecture = "arm64";
    m_machine.cores = 12;
    m_machine.memoryBytes = 36ull << 30;
    m_machine.osName = "macOS";
    m_machine.osVersion = "Version 15.2 (Build 24C101)";
}

}  // namespace tarnlet::sim
