#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "core/QrMatrix.h"

namespace korvane {

// The longest payload encodeQrSymbol takes: version 10's capacity in byte mode at level L.
// A connection payload is a few dozen bytes.
inline constexpr std::size_t kQrMaxPayloadBytes = 271;

// The QR symbol of payload in byte mode (its bytes as they are, no ECI designator) at error
// correction level L, in the smallest version that holds it, with the mask of the lowest
// penalty and a light quiet zone of 4 modules, the same symbol as ZXing's writer gives.
// nullopt when payload is longer than kQrMaxPayloadBytes. Pure: any thread.
std::optional<QrMatrix> encodeQrSymbol(std::string_view payload);

}  // namespace korvane
