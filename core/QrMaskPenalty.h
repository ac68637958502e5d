#pragma once

#include "core/QrMatrix.h"

namespace korvane {

// How badly a masked symbol (without its quiet zone) reads, by the QR standard's four rules:
// runs of one colour, 2x2 blocks of one colour, finder-like sequences, and dark modules far
// from half. The mask with the lowest sum is the one to use.
int qrMaskPenalty(const QrMatrix& symbol);

}  // namespace korvane
