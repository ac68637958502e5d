#include "server/WorkerPool.h"

#include <thread>

namespace korvane {

WorkerPool::WorkerPool(std::chrono::milliseconds idleTime)
    : mShared(std::make_shared<Shared>(idleTime)) {}

WorkerPool::~WorkerPool() {
    Shared& shared = *mShared;
    std::unique_lock lock(shared.lock);
    shared.closing = true;
    shared.taskAdded.notify_all();
    shared.threadEnded.wait(lock, [&] { return shared.threads == 0; });
}

void WorkerPool::run(std::function<void()> task) {
    Shared& shared = *mShared;
    std::unique_lock lock(shared.lock);
    shared.tasks.push_back(std::move(task));
    // Every idle thread may already be promised to a task queued before this one.
    if (shared.tasks.size() <= static_cast<std::size_t>(shared.idle)) {
        // Woken after the lock is let go, so that the thread does not wake only to wait for it.
        lock.unlock();
        shared.taskAdded.notify_one();
        return;
    }
    try {
        std::thread([kept = mShared] { work(kept); }).detach();
    } catch (...) {
        shared.tasks.pop_back();
        throw;
    }
    ++shared.threads;
}

int WorkerPool::threads() const {
    std::lock_guard lock(mShared->lock);
    return mShared->threads;
}

int WorkerPool::idleThreads() const {
    std::lock_guard lock(mShared->lock);
    return mShared->idle;
}

int WorkerPool::busyThreads() const {
    std::lock_guard lock(mShared->lock);
    return mShared->threads - mShared->idle;
}

void WorkerPool::work(const std::shared_ptr<Shared>& kept) {
    Shared& shared = *kept;
    std::unique_lock lock(shared.lock);
    for (;;) {
        if (!shared.tasks.empty()) {
            std::function<void()> task = std::move(shared.tasks.front());
            shared.tasks.pop_front();
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
        if (shared.closing) {
            break;
        }
        ++shared.idle;
        const bool woken = shared.taskAdded.wait_for(
            lock, shared.idleTime, [&] { return !shared.tasks.empty() || shared.closing; });
        --shared.idle;
        if (!woken) {
            break;
        }
    }
    --shared.threads;
    // Notified under the lock: the destructor may return the moment it sees the count, and only
    // this thread's share keeps the lock and the conditions alive after that.
    shared.threadEnded.notify_all();
}

}  // namespace korvane
