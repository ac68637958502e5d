#pragma once

#include <cstdint>
#include <span>

namespace korvane {

// Fills `bytes` from the system's source of cryptographic randomness (getrandom on POSIX,
// BCryptGenRandom on Windows), for what a stranger must not guess. False when the system gave
// none (then `bytes` holds nothing to use). Any thread.
bool fillRandom(std::span<std::uint8_t> bytes);

}  // namespace korvane
