#pragma once

#include <chrono>

namespace korvane {

// Sleeps the calling thread for at least `duration`, waking as soon after its end as the system
// allows: on Linux without the thread's timer slack (50 µs by default, which cost 0.1 ms at the
// median of a 100 ms pause), restored afterwards; on Windows as std::this_thread::sleep_for.
void sleepPrecisely(std::chrono::milliseconds duration);

}  // namespace korvane
