#pragma once

namespace korvane {

// Asks the C runtime to keep the memory the program frees for its next allocations rather than
// hand it back to the system at once. Each capture allocates and frees about half a megabyte (its
// picture and zlib's tables); handed back every time, it cost some 45 page faults a 103 to get it
// again, 0.15 ms at the median on a virtual machine. Call from main before any other thread
// starts. Nothing to report: a value the runtime refuses leaves its defaults. On Windows it does
// nothing.
void keepFreedMemory();

}  // namespace korvane
