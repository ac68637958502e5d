#include "platform/FreedMemory.h"

#include <malloc.h>

namespace korvane {

namespace {
// glibc unmaps a block above the mmap threshold when it is freed, and gives back the top of a
// heap once more than the trim threshold lies free there; both start at 128 KB. Well above what
// a capture takes, and small beside what the window's log may hold. A still larger block (a very
// tall picture) is mapped and unmapped as before.
constexpr int kMappedAbove = 2 * 1024 * 1024;
constexpr int kKeptFree = 8 * 1024 * 1024;
}  // namespace

void keepFreedMemory() {
    ::mallopt(M_MMAP_THRESHOLD, kMappedAbove);
    ::mallopt(M_TRIM_THRESHOLD, kKeptFree);
}

}  // namespace korvane
