#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace korvane {

// Threads for the server's tasks (the listener; the report of a request that may wait, its reply
// and its file transfers), kept for reuse: a task goes to an idle thread, or to a new one when none
// is idle, so a task never waits behind another, however long that one blocks on a slow peer. A
// thread idle for `idleTime` ends, so the pool shrinks back to nothing between bursts and an idle
// pool costs no wake-ups.
class WorkerPool {
  public:
    explicit WorkerPool(std::chrono::milliseconds idleTime = std::chrono::seconds(10));
    // Waits until every task handed over has run and every thread of the pool has ended.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Any thread, a task included. The task is destroyed on its thread right after it ran, before
    // the destructor can return; what it throws goes to reportUnhandledException
    // (platform/UnhandledException.h) and the thread goes on. Throws (std::system_error) when no
    // thread can be created for it; the task is then dropped unrun.
    void run(std::function<void()> task);

    // Threads alive now (running a task or idle), and of those the idle ones.
    int threads() const;
    int idleThreads() const;
    // Threads running a task now (or just done with one and not yet idle); 0 once every task
    // handed over has run and been destroyed.
    int busyThreads() const;

  private:
    void work(std::list<std::thread>::iterator self);

    const std::chrono::milliseconds mIdleTime;
    mutable std::mutex mLock;
    std::condition_variable mTaskAdded;
    std::condition_variable mThreadEnded;
    std::deque<std::function<void()>> mTasks;
    // The threads alive. None is detached: each is joined by the next one to end, or by the
    // destructor, so none is still on its way out when the pool is gone (on Linux none at all;
    // MinGW's runtime may still be running a thread's thread-local destructors after its join).
    // Windows test processes under Wine died as they ended while detached threads could be.
    std::list<std::thread> mThreads;
    // The thread that ended last, not yet joined.
    std::thread mEnded;
    int mIdle = 0;
    bool mClosing = false;
};

}  // namespace korvane
