#include "server/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

namespace korvane {
namespace {

using namespace std::chrono_literals;

// Polls `done` for up to 15 s; the bound only keeps a broken pool from hanging the test.
template <typename Done>
bool eventually(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(WorkerPool, ATaskThatBlocksHoldsNoOtherTask) {
    // Each task blocks until the next one has run: a pool that let a task wait for a busy thread
    // would never finish.
    WorkerPool pool;
    constexpr int kChain = 8;
    std::promise<void> released[kChain + 1];
    std::atomic<int> finished{0};
    for (int i = 0; i < kChain; ++i) {
        pool.run([&, i] {
            released[i + 1].get_future().wait();
            ++finished;
        });
    }
    // Any thread may hand over tasks, a task included.
    pool.run([&] {
        pool.run([&] {
            for (int i = 1; i <= kChain; ++i) {
                released[i].set_value();
            }
        });
    });
    EXPECT_TRUE(eventually([&] { return finished == kChain; }));
}

TEST(WorkerPool, ReusesIdleThreadsAndEndsThemWhenIdleLongEnough) {
    WorkerPool pool(200ms);
    std::set<std::thread::id> ids;
    for (int i = 0; i < 20; ++i) {
        std::promise<std::thread::id> ran;
        pool.run([&] { ran.set_value(std::this_thread::get_id()); });
        ids.insert(ran.get_future().get());
        // Back to idle before the next task comes.
        ASSERT_TRUE(eventually([&] { return pool.idleThreads() == 1; }));
    }
    EXPECT_EQ(ids.size(), 1u) << "one task at a time needs one thread";
    EXPECT_TRUE(eventually([&] { return pool.threads() == 0; }));
    // And a task after the shrink gets a thread again.
    std::promise<void> ran;
    pool.run([&] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(15s), std::future_status::ready);
}

TEST(WorkerPool, TheDestructorWaitsForEveryTaskHandedOver) {
    std::atomic<int> ran{0};
    {
        WorkerPool pool;
        for (int i = 0; i < 16; ++i) {
            pool.run([&] {
                std::this_thread::sleep_for(20ms);
                // Handed over while the pool is being destroyed: still run.
                pool.run([&] { ++ran; });
                ++ran;
            });
        }
    }
    EXPECT_EQ(ran, 32);
}

}  // namespace
}  // namespace korvane
