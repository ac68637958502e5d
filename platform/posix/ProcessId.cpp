#include "platform/ProcessId.h"

#include <unistd.h>

namespace korvane {

std::uint32_t currentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

}  // namespace korvane
