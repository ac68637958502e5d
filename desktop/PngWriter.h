#pragma once

#include <string>

#include "desktop/DesktopError.h"
#include "desktop/RgbImage.h"

namespace korvane {

// Writes the picture as a PNG file (with libpng: zlib level 1, the Up filter), with no ancillary
// chunks. The
// file is written beside its final path and renamed over it, so a reader never sees a half-written
// file and one that holds the old file open keeps reading the old bytes. On failure nothing is left
// behind and the Capture error says why.
DesktopError writePngFile(const std::string& path, const RgbImage& image);

}  // namespace korvane
