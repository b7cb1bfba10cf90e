#pragma once
// Background work. A `SerialQueue` runs its work items one after another off the main thread and
// hands each reply back to the main queue; a reply whose owner died is dropped. The work itself must
// touch no main-thread state: give it copies and let the reply apply the result.
//
//     m_census->postTaskAndReply<int>(m_weak.token(), [pid] { return countWindows(pid); },
//                                     [this](int count) { apply(count); });

#include <functional>
#include <memory>
#include <string>

#include "base/WeakToken.h"

namespace tarnlet {

class SerialQueue {
public:
    virtual ~SerialQueue() = default;

    virtual const std::string& label() const = 0;
    // Runs work in the background, then reply on the main queue unless owner died meanwhile.
    virtual void postTaskAndReply(WeakToken owner, std::function<void()> work, std::function<void()> reply) = 0;

    template <class T>
    void postTaskAndReply(WeakToken owner, std::function<T()> work, std::function<void(T)> reply) {
        auto result = std::make_shared<T>();
        postTaskAndReply(
            std::move(owner), [result, work = std::move(work)] { *result = work(); },
            [result, reply = std::move(reply)] { reply(std::move(*result)); });
    }
};

class TaskQueues {
public:
    virtual ~TaskQueues() = default;
    virtual std::unique_ptr<SerialQueue> makeSerialQueue(std::string label) = 0;
};

}  // namespace tarnlet
