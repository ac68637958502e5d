#pragma once

namespace korvane {

// Asks the C runtime to keep the memory the program frees for its next allocations rather than
// hand it back to the system at once. Each capture allocates and frees about half a megabyte (its
// picture and zlib's state); handed back every time, it cost the next capture some 45 page faults
// to get it again, 0.1 ms at the median on a virtual machine. Call once, at the program's start.
void keepFreedMemory();

}  // namespace korvane
