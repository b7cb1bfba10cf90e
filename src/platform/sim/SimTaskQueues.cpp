#include "platform/sim/SimTaskQueues.h"

#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

namespace {

class SimSerialQueue : public SerialQueue {
public:
    SimSerialQueue(SimMainQueue& queue, std::string label) : m_queue(queue), m_label(std::move(label)) {}
    const std::string& label() const override { return m_label; }
    void postTaskAndReply(WeakToken owner, std::function<void()> work, std::function<void()> reply) override {
        m_queue.post([owner = std::move(owner), work = std::move(work), reply = std::move(reply)] {
            work();
            if (owner.isAlive()) reply();
        });
    }

private:
    SimMainQueue& m_queue;
    std::string m_label;
};

}  // namespace

std::unique_ptr<SerialQueue> SimTaskQueues::makeSerialQueue(std::string label) {
    return std::make_unique<SimSerialQueue>(m_queue, std::move(label));
}

}  // namespace tarnlet::sim
