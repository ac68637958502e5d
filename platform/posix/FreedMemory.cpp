#include "platform/FreedMemory.h"

#include <malloc.h>

namespace korvane {

namespace {
// glibc starts both thresholds at 128 KB and raises them itself when it unmaps a freed block, to
// that block's size and twice that, which for a capture (the picture mapped, zlib's tables on the
// heap) still ends short; setting either stops that raising, so both are set. Each heap then keeps
// at most 8 MB free at its top. A block above 2 MB is mapped and unmapped every time.
constexpr int kMappedAbove = 2 * 1024 * 1024;
constexpr int kKeptFree = 8 * 1024 * 1024;
}  // namespace

void keepFreedMemory() {
    ::mallopt(M_MMAP_THRESHOLD, kMappedAbove);
    ::mallopt(M_TRIM_THRESHOLD, kKeptFree);
}

}  // namespace korvane
