#include "platform/PreciseSleep.h"

#include <sys/prctl.h>

#include <thread>

namespace korvane {

void sleepPrecisely(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    const int slack = ::prctl(PR_GET_TIMERSLACK);
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    std::this_thread::sleep_until(deadline);
    if (slack > 0) {
        ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(slack));
    }
}

}  // namespace korvane
