#include "server/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace korvane {
namespace {

using namespace std::chrono_literals;

// On Linux a join waits for the whole end of a thread. MinGW's runtime under Wine let one join in
// some twenty return before the thread's thread-local destructors were done, so this is not
// checked on Windows.

struct SlowToEnd {
    std::atomic<int>* ended = nullptr;
    ~SlowToEnd() {
        if (ended != nullptr) {
            std::this_thread::sleep_for(50ms);
            ++*ended;
        }
    }
};
// At namespace scope, so that each thread that uses it has its own, destroyed as the thread ends.
thread_local SlowToEnd endOfThread;

// What a thread does as it ends (its thread-local objects' destructors, the runtime's own end of
// the thread) is over once the pool is destroyed: nothing of the pool is left running after it.
TEST(WorkerPool, NoThreadOutlivesThePool) {
    for (const std::chrono::milliseconds idleFor : {20ms, 10000ms}) {
        std::atomic<int> started{0};
        std::atomic<int> ended{0};
        {
            WorkerPool pool(idleFor);
            std::promise<void> release;
            std::shared_future<void> released = release.get_future().share();
            for (int i = 0; i < 4; ++i) {
                pool.run([&, released] {
                    endOfThread.ended = &ended;
                    ++started;
                    released.wait();
                });
            }
            // Each task on a thread of its own before any is let go; the bound only keeps a
            // broken pool from hanging the test.
            const auto deadline = std::chrono::steady_clock::now() + 15s;
            while (started < 4 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(1ms);
            }
            ASSERT_EQ(started, 4);
            release.set_value();
            // With the short idle time the threads end for want of work, with the long one as
            // the pool closes.
            std::this_thread::sleep_for(40ms);
        }
        EXPECT_EQ(ended, 4) << idleFor.count() << " ms idle";
    }
}

}  // namespace
}  // namespace korvane
