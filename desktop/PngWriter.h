#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// Writes an 8-bit RGB picture (rows of width * 3 bytes, top row first) as a PNG file compressed at
// zlib level 5, with no ancillary chunks. The file is written beside its final path and renamed
// over it, so a reader never sees a half-written file and one that holds the old file open keeps
// reading the old bytes. On failure nothing is left behind and `error` says why.
bool writePngFile(const std::string& path, int width, int height, const std::uint8_t* rgb,
                  std::string& error);

}  // namespace korvane
