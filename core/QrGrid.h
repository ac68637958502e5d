#pragma once

#include <cstdint>
#include <vector>

#include "core/QrMatrix.h"
#include "core/QrVersion.h"

namespace korvane {

// A QR symbol while it is built, without its quiet zone: the modules, and which of them are
// fixed (finders, separators, timing, alignment, format and version areas) rather than data.
// The mask and the format information come last, once per candidate mask, so that the
// candidates share everything before.
class QrGrid {
  public:
    // The fixed patterns of version drawn (the version information too, from version 7), the
    // data modules light.
    explicit QrGrid(const QrVersion& version);

    // Puts codewords bit by bit, highest bit first, into the data modules along the two-column
    // zigzag that starts at the bottom right; data modules left over stay light.
    void placeCodewords(const std::vector<std::uint8_t>& codewords);

    // The symbol with mask (0..7) applied to the data modules and the format information for
    // level L and that mask written.
    QrMatrix withMask(int mask) const;

  private:
    void setFixed(int x, int y, bool dark);
    void drawFinder(int centerX, int centerY);
    void drawAlignments(const std::vector<int>& centers);
    void drawTiming();
    void reserveFormatAreas();
    void drawVersionInformation(int version);

    QrMatrix mModules;
    std::vector<bool> mFixed;
};

}  // namespace korvane
