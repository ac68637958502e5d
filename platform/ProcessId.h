#pragma once

#include <cstdint>

namespace korvane {

// The id the system gives this process (getpid, GetCurrentProcessId).
std::uint32_t currentProcessId();

}  // namespace korvane
