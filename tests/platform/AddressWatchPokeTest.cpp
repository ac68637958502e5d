// The address watch on the machine's own network, where the test changes nothing: it starts, a
// poke is told as a change, and it ends when destroyed, in its wait or within a burst. On Windows
// (and under Wine) as on Linux.
#include "platform/AddressWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace korvane {
namespace {

using namespace std::chrono_literals;

class Told {
  public:
    void operator()() {
        std::lock_guard lock(mLock);
        ++mCount;
        mChanged.notify_all();
    }
    // Waits until `count` changes have been told, at most 10 s; the count then.
    int waitFor(int count) {
        std::unique_lock lock(mLock);
        mChanged.wait_for(lock, 10s, [&] { return mCount >= count; });
        return mCount;
    }

  private:
    std::mutex mLock;
    std::condition_variable mChanged;
    int mCount = 0;
};

TEST(AddressWatchPoke, IsToldOnceAsAChange) {
    Told told;
    AddressWatch watch(100ms, [&] { told(); });
    ASSERT_EQ(watch.failure(), "");
    watch.poke();
    watch.poke();
    EXPECT_GE(told.waitFor(1), 1);
}

TEST(AddressWatchPoke, EndsInItsWaitAndWithinABurst) {
    Told told;
    {
        AddressWatch idle(100ms, [&] { told(); });
        ASSERT_EQ(idle.failure(), "");
    }
    {
        // Destroyed within an hour's quiet period: the test's time limit catches a hang.
        AddressWatch busy(1h, [&] { told(); });
        busy.poke();
    }
    EXPECT_EQ(told.waitFor(0), 0);
}

}  // namespace
}  // namespace korvane
