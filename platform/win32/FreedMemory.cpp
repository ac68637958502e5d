#include "platform/FreedMemory.h"

namespace korvane {

// The Windows heap decides alone what it keeps: it has no setting like glibc's thresholds that
// this program has measured. Nothing is asked of it.
void keepFreedMemory() {}

}  // namespace korvane
