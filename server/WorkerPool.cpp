#include "server/WorkerPool.h"

#include "platform/UnhandledException.h"

namespace korvane {

WorkerPool::WorkerPool(std::chrono::milliseconds idleTime) : mIdleTime(idleTime) {}

WorkerPool::~WorkerPool() {
    std::unique_lock lock(mLock);
    mClosing = true;
    mTaskAdded.notify_all();
    mThreadEnded.wait(lock, [&] { return mThreads.empty(); });
    // Each thread joined the one that ended before it: joining the last joins them all.
    std::thread last = std::move(mEnded);
    lock.unlock();
    if (last.joinable()) {
        last.join();
    }
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
        // The new thread first waits for the lock, held here until its place holds it.
        const auto self = mThreads.emplace(mThreads.end());
        try {
            *self = std::thread([this, self] { work(self); });
        } catch (...) {
            mThreads.erase(self);
            throw;
        }
    } catch (...) {
        mTasks.pop_back();
        throw;
    }
}

int WorkerPool::threads() const {
    std::lock_guard lock(mLock);
    return static_cast<int>(mThreads.size());
}

int WorkerPool::idleThreads() const {
    std::lock_guard lock(mLock);
    return mIdle;
}

int WorkerPool::busyThreads() const {
    std::lock_guard lock(mLock);
    return static_cast<int>(mThreads.size()) - mIdle;
}

void WorkerPool::work(std::list<std::thread>::iterator self) {
    std::unique_lock lock(mLock);
    for (;;) {
        if (!mTasks.empty()) {
            std::function<void()> task = std::move(mTasks.front());
            mTasks.pop_front();
            lock.unlock();
            try {
                task();
            } catch (...) {
                // Every task reports its own failures: one that escapes is a fault of the
                // program, told to the user; it must not end the process.
                reportUnhandledException("サーバーのスレッド");
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
            mTaskAdded.wait_for(lock, mIdleTime, [&] { return !mTasks.empty() || mClosing; });
        --mIdle;
        if (!woken) {
            break;
        }
    }
    std::thread previous = std::move(mEnded);
    mEnded = std::move(*self);
    mThreads.erase(self);
    mThreadEnded.notify_all();
    lock.unlock();
    // Nothing of the pool is touched from here on: the destructor may be returning.
    if (previous.joinable()) {
        previous.join();
    }
}

}  // namespace korvane
