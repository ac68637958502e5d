#include "platform/PreciseSleep.h"

#include <gtest/gtest.h>

#include <chrono>

namespace korvane {
namespace {

// Never wakes before its deadline, whether that is far enough off to sleep, within the last part
// that is waited for by the clock, or already past (the pause then costs nothing more).
TEST(PreciseSleep, ReturnsNoEarlierThanTheDeadline) {
    using namespace std::chrono_literals;
    for (const auto offset : {-5ms, 0ms, 1ms, 20ms}) {
        const auto deadline = std::chrono::steady_clock::now() + offset;
        sleepPreciselyUntil(deadline);
        EXPECT_GE(std::chrono::steady_clock::now(), deadline) << offset.count() << " ms";
    }
    const auto soon = std::chrono::steady_clock::now() + 100us;
    sleepPreciselyUntil(soon);
    EXPECT_GE(std::chrono::steady_clock::now(), soon);
}

}  // namespace
}  // namespace korvane
