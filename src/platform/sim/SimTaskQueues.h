#pragma once
// Background queues of the simulated desktop: the work runs on the main queue's next turn, then the
// reply, so tests see background work deterministically.

#include "platform/TaskQueue.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimTaskQueues : public TaskQueues {
public:
    explicit SimTaskQueues(SimMainQueue& queue) : m_queue(queue) {}
    std::unique_ptr<SerialQueue> makeSerialQueue(std::string label) override;

private:
    SimMainQueue& m_queue;
};

}  // namespace tarnlet::sim
