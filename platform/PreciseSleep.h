#pragma once

#include <chrono>

namespace korvane {

// Sleeps the calling thread until `deadline`, waking as soon after it as the system allows: on
// Linux without the thread's timer slack (50 µs by default, which cost 0.1 ms at the median of a
// 100 ms pause), restored afterwards, and watching the clock for the last 0.2 ms, as waking from a
// sleep still overshot by 0.15 ms at the median on a virtual machine; on Windows by the runtime's
// sleeps, never returning early. Returns at once for a deadline already passed.
void sleepPreciselyUntil(std::chrono::steady_clock::time_point deadline);

}  // namespace korvane
