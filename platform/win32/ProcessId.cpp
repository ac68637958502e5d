#include "platform/ProcessId.h"

#include <windows.h>

namespace korvane {

std::uint32_t currentProcessId() {
    return ::GetCurrentProcessId();
}

}  // namespace korvane
