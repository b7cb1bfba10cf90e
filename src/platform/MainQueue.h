#pragma once
// The main queue: every piece of application state lives on it. post() runs work soon, postAfter()
// later, both in order of due time and then of posting. Delayed work is a `WorkItem`: a move-only
// handle that cancels the work when cancelled or destroyed; cancelling twice or after the work ran
// is harmless. Work that must not outlive its owner also binds the owner's WeakToken.
//
// Threading: post() may be called from any thread on host backends; everything else, and every
// piece of posted work, runs on the main thread.

#include <functional>
#include <memory>

namespace tarnlet {

class WorkItem {
public:
    WorkItem() = default;
    WorkItem(WorkItem&& other) noexcept = default;
    WorkItem& operator=(WorkItem&& other) noexcept {
        if (this != &other) {
            cancel();
            m_state = std::move(other.m_state);
        }
        return *this;
    }
    WorkItem(const WorkItem&) = delete;
    WorkItem& operator=(const WorkItem&) = delete;
    ~WorkItem() { cancel(); }

    void cancel();
    // True while the work is scheduled: not yet run and not cancelled.
    bool isPending() const;

    // The shared flag between a handle and its queue entry; for queue implementations only.
    struct State {
        bool cancelled = false;
        bool done = false;
    };
    static WorkItem makeForQueue(std::shared_ptr<State> state) {
        WorkItem item;
        item.m_state = std::move(state);
        return item;
    }

private:
    std::shared_ptr<State> m_state;
};

class MainQueue {
public:
    virtual ~MainQueue() = default;

    virtual void post(std::function<void()> work) = 0;
    [[nodiscard]] virtual WorkItem postAfter(double seconds, std::function<void()> work) = 0;
    // Work due at a wall-clock time: time the computer spends asleep counts toward it, so work
    // whose time passed during a sleep runs right after the wake.
    [[nodiscard]] virtual WorkItem postAtWallTime(double wallTime, std::function<void()> work) {
        return postAfter(wallTime - wallNow(), std::move(work));
    }
    // Monotonic seconds; only differences are meaningful.
    virtual double now() const = 0;
    // Seconds since 1970-01-01 UTC.
    virtual double wallNow() const = 0;
};

}  // namespace tarnlet
