#include "platform/PreciseSleep.h"

#include <thread>

namespace korvane {

void sleepPreciselyUntil(std::chrono::steady_clock::time_point deadline) {
    std::this_thread::sleep_until(deadline);
}

}  // namespace korvane
