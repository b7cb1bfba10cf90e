#pragma once
// The simulated user's hands on the virtual clock. Every key, click, drag, move and scroll of the
// simulated keyboard and mouse is recorded; tests can also say that the user keeps doing one kind
// of input (typing on, moving the mouse about) without scripting every event, or has left
// everything alone for a while.

#include <map>

#include "platform/InputIdle.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimInputIdle : public InputIdle {
public:
    explicit SimInputIdle(const SimMainQueue& queue) : m_queue(queue) {}

    double secondsSinceLastEvent(EventType type) const override;

    // The user produced an event of this type just now.
    void record(EventType type);
    // The user keeps producing this type of input until told otherwise (held false: they stop now).
    void setContinuous(EventType type, bool continuous);
    // The user has left every kind of input alone for that many seconds and stops anything continuous.
    void setIdleFor(double seconds);

private:
    const SimMainQueue& m_queue;
    std::map<EventType, double> m_lastAt;  // absent: at virtual time zero
    std::map<EventType, bool> m_continuous;
};

}  // namespace tarnlet::sim
