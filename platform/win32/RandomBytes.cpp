#include "platform/RandomBytes.h"

// bcrypt.h needs the types of windows.h first.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

namespace korvane {

bool fillRandom(std::span<std::uint8_t> bytes) {
    return BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                                            BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

}  // namespace korvane
