#include "platform/host/HostTaskQueues.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/MainQueue.h"

namespace tarnlet::host {

namespace {

class HostSerialQueue : public SerialQueue {
public:
    HostSerialQueue(MainQueue& mainQueue, std::string label)
        : m_mainQueue(mainQueue), m_label(std::move(label)), m_worker([this] { work(); }) {}

    ~HostSerialQueue() override {
        std::deque<Task> dropped;
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            dropped.swap(m_tasks);
        }
        m_wake.notify_one();
        // The dropped tasks die here, on the main thread, before the wait: whatever they captured
        // is released at once, even while the work in progress takes its time.
        dropped.clear();
        m_worker.join();
    }

    const std::string& label() const override { return m_label; }

    void postTaskAndReply(WeakToken owner, std::function<void()> work, std::function<void()> reply) override {
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(Task{std::move(owner), std::move(work), std::move(reply)});
        }
        m_wake.notify_one();
    }

private:
    struct Task {
        WeakToken owner;
        std::function<void()> work;
        std::function<void()> reply;
    };

    void work() {
        for (;;) {
            Task task;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
                if (m_stopping) return;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            if (task.work) task.work();
            // The owner's liveness may only be judged on the main thread, where it dies; the token
            // and the reply travel there untouched.
            m_mainQueue.post([owner = std::move(task.owner), reply = std::move(task.reply)] {
                if (reply && owner.isAlive()) reply();
            });
        }
    }

    MainQueue& m_mainQueue;
    std::string m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    bool m_stopping = false;
    std::thread m_worker;  // last, so it starts after everything it uses exists
};

}  // namespace

std::unique_ptr<SerialQueue> HostTaskQueues::makeSerialQueue(std::string label) {
    return std::make_unique<HostSerialQueue>(m_mainQueue, std::move(label));
}

}  // namespace tarnlet::host
