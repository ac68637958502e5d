#include "platform/FreedMemory.h"

namespace korvane {

// Not measured on Windows: its heap's own thresholds for giving memory back are left at their
// defaults.
void keepFreedMemory() {}

}  // namespace korvane
