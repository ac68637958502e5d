#pragma once

#include <cstdint>
#include <vector>

namespace korvane {

// An 8-bit RGB picture: rows of width * 3 bytes, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

}  // namespace korvane
