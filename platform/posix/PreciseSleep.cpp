#include "platform/PreciseSleep.h"

#include <sys/prctl.h>

#include <thread>

namespace korvane {

namespace {
constexpr std::chrono::microseconds kClockWatch{200};
}  // namespace

void sleepPreciselyUntil(std::chrono::steady_clock::time_point deadline) {
    if (std::chrono::steady_clock::now() + kClockWatch < deadline) {
        const int slack = ::prctl(PR_GET_TIMERSLACK);
        ::prctl(PR_SET_TIMERSLACK, 1UL);
        std::this_thread::sleep_until(deadline - kClockWatch);
        if (slack > 0) {
            ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(slack));
        }
    }
    while (std::chrono::steady_clock::now() < deadline) {
    }
}

}  // namespace korvane
