#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/QrVersion.h"

namespace korvane {

// The codewords of payload in byte mode as they are placed in the symbol: the data (mode,
// count, bytes, terminator, padding) split into the version's blocks, each block's check bytes,
// then data and check bytes interleaved block by block. payload must fit the version
// (payload.size() <= version.byteCapacity()).
std::vector<std::uint8_t> qrCodewords(std::string_view payload, const QrVersion& version);

}  // namespace korvane
