#include "platform/sim/SimInputIdle.h"

#include <algorithm>

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

namespace {
constexpr EventType kKinds[] = {EventType::keyDown,         EventType::mouseMoved,       EventType::leftMouseDown,
                                EventType::rightMouseDown,  EventType::leftMouseDragged, EventType::scrollWheel};
}

double SimInputIdle::secondsSinceLastEvent(EventType type) const {
    if (auto held = m_continuous.find(type); held != m_continuous.end() && held->second) return 0;
    const auto last = m_lastAt.find(type);
    return std::max(0.0, m_queue.now() - (last == m_lastAt.end() ? 0.0 : last->second));
}

void SimInputIdle::record(EventType type) { m_lastAt[type] = m_queue.now(); }

void SimInputIdle::setContinuous(EventType type, bool continuous) {
    m_continuous[type] = continuous;
    if (!continuous) record(type);
}

void SimInputIdle::setIdleFor(double seconds) {
    for (EventType type : kKinds) {
        m_continuous[type] = false;
        m_lastAt[type] = m_queue.now() - std::max(0.0, seconds);
    }
}

}  // namespace tarnlet::sim
