#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace korvane {

// Threads for the server's tasks (the listener; the report of a request that may wait, its reply
// and its file transfers), kept for reuse: a task goes to an idle thread, or to a new one when none
// is idle, so a task never waits behind another, however long that one blocks on a slow peer. A
// thread idle for `idleTime` ends, so the pool shrinks back to nothing between bursts and an idle
// pool costs no wake-ups.
class WorkerPool {
  public:
    explicit WorkerPool(std::chrono::milliseconds idleTime = std::chrono::seconds(10));
    // Waits until every task handed over has run and every thread is done with the pool.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Any thread, a task included. The task is destroyed on its thread right after it ran, before
    // the destructor can return; what it throws is dropped. Throws (std::system_error) when no
    // thread can be created for it; the task is then dropped unrun.
    void run(std::function<void()> task);

    // Threads alive now (running a task or idle), and of those the idle ones.
    int threads() const;
    int idleThreads() const;
    // Threads running a task now (or just done with one and not yet idle); 0 once every task
    // handed over has run and been destroyed.
    int busyThreads() const;

  private:
    // What the threads share with the pool. Each thread keeps it alive too: its last step, letting
    // go of the lock after counting itself out, may come after the destructor has seen the count
    // and returned, and an unlock may still touch the mutex after releasing it.
    struct Shared {
        explicit Shared(std::chrono::milliseconds idle) : idleTime(idle) {}
        const std::chrono::milliseconds idleTime;
        std::mutex lock;
        std::condition_variable taskAdded;
        std::condition_variable threadEnded;
        std::deque<std::function<void()>> tasks;
        int threads = 0;
        int idle = 0;
        bool closing = false;
    };
    static void work(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> mShared;
};

}  // namespace korvane
