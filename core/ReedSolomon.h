#pragma once

#include <cstdint>
#include <vector>

namespace korvane {

// The check bytes a QR symbol appends to one block: the remainder of data(x) * x^checkCount
// divided by the code's generator polynomial, over GF(256) with the field polynomial 0x11D and
// the generator's roots at 2^0 .. 2^(checkCount - 1). QR blocks use 7..30 check bytes; the
// result has checkCount of them, the highest power first.
std::vector<std::uint8_t> reedSolomonCheck(const std::vector<std::uint8_t>& data, int checkCount);

}  // namespace korvane
