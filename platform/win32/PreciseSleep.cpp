#include "platform/PreciseSleep.h"

#include <thread>

namespace korvane {

void sleepPreciselyUntil(std::chrono::steady_clock::time_point deadline) {
    // A sleep of the MinGW runtime can end before the time asked for (sleep_until by up to 0.4 ms
    // under Wine): what is left is slept again.
    for (auto now = std::chrono::steady_clock::now(); now < deadline;
         now = std::chrono::steady_clock::now()) {
        std::this_thread::sleep_for(deadline - now);
    }
}

}  // namespace korvane
