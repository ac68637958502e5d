#include "platform/PreciseSleep.h"

#include <thread>

namespace korvane {

void sleepPrecisely(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace korvane
