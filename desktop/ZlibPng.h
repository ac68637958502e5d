#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "desktop/RgbImage.h"

namespace korvane {

// The most deflated bytes one IDAT chunk holds: few chunks for a capture, a small buffer.
inline constexpr std::size_t kIdatBytes = 64 * 1024;

// The capture's PNG encoding where libpng is not at hand (Windows): an 8-bit RGB file with no
// ancillary chunks, the Up filter on every row and the rows deflated by zlib at level 5, as libpng
// writes the capture on Linux. The deflated rows go out in IDAT chunks of at most kIdatBytes, as
// they come from zlib, so the encode holds one chunk's buffer besides the file.
//
// The picture has width and height above 0 and at least width * height * 3 bytes (PngFile checks
// before it calls). Returns the file's bytes, or nothing when zlib fails, which it does only when
// it runs out of memory. Keeps no state: any thread may call it.
std::optional<std::vector<std::uint8_t>> encodeZlibPng(const RgbImage& image);

}  // namespace korvane
