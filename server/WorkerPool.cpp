#include "server/WorkerPool.h"

#include <thread>

namespace korvane {

WorkerPool::WorkerPool(std::chrono::milliseconds idleTime) : mIdleTime(idleTime) {}

WorkerPool::~WorkerPool() {
    std::unique_lock lock(mLock);
    mClosing = true;
    mTaskAdded.notify_all();
    mThreadEnded.wait(lock, [this] { return mThreads == 0; });
}

void WorkerPool::run(std::function<void()> task) {
    std::unique_lock lock(mLock);
    mTasks.push_back(std::move(task));
    // Every idle thread may already be promised to a task queued before this one.
    if (mTasks.size() <= static_cast<std::size_t>(mIdle)) {
        // Woken after the lock is let go, so that the thread does not wake only to wait for it.
        lock.unlock();
        mTaskAdded.notify_one();
        return;
    }
    try {
        std::thread([this] { work(); }).detach();
    } catch (...) {
        mTasks.pop_back();
        throw;
    }
    ++mThreads;
}

int WorkerPool::threads() const {
    std::lock_guard lock(mLock);
    return mThreads;
}

int WorkerPool::idleThreads() const {
    std::lock_guard lock(mLock);
    return mIdle;
}

int WorkerPool::busyThreads() const {
    std::lock_guard lock(mLock);
    return mThreads - mIdle;
}

void WorkerPool::work() {
    std::unique_lock lock(mLock);
    for (;;) {
        if (!mTasks.empty()) {
            std::function<void()> task = std::move(mTasks.front());
            mTasks.pop_front();
            lock.unlock();
            try {
                task();
            } catch (...) {
                // Every task reports its own failures; nothing may end the process.
            }
            // Released before the lock is taken again, so nothing of it outlives the pool.
            task = nullptr;
            lock.lock();
            continue;
        }
        if (mClosing) {
            break;
        }
        ++mIdle;
        const bool woken =
            mTaskAdded.wait_for(lock, mIdleTime, [this] { return !mTasks.empty() || mClosing; });
        --mIdle;
        if (!woken) {
            break;
        }
    }
    --mThreads;
    // Notified under the lock: the destructor may end the pool the moment it sees the count.
    mThreadEnded.notify_all();
}

}  // namespace korvane
