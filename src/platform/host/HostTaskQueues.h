#pragma once
// Background queues with real threads: each serial queue owns one worker thread that runs its work
// in posting order; each reply is posted to the main queue and runs there only if its owner is
// still alive at that moment (checked on the main thread). Destroying a serial queue lets the work
// in progress finish (its reply still goes to the main queue), drops the work not yet started and
// joins the worker.
//
// Threading: create, post to and destroy serial queues on the main thread. The main queue must
// outlive every serial queue made here.

#include "platform/TaskQueue.h"

namespace tarnlet {
class MainQueue;
}

namespace tarnlet::host {

class HostTaskQueues : public TaskQueues {
public:
    explicit HostTaskQueues(MainQueue& mainQueue) : m_mainQueue(mainQueue) {}
    std::unique_ptr<SerialQueue> makeSerialQueue(std::string label) override;

private:
    MainQueue& m_mainQueue;
};

}  // namespace tarnlet::host
