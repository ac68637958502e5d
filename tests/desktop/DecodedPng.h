#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::test {

// A PNG file as a reader sees it: the header fields, the chunk names in file order, and the
// pixels of an 8-bit RGB picture.
struct DecodedPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    std::vector<std::string> chunks;
    std::vector<std::uint8_t> rgb;

    struct Pixel {
        std::uint8_t r, g, b;
        bool operator==(const Pixel&) const = default;
    };
    Pixel at(std::uint32_t x, std::uint32_t y) const;
};

// Decodes `path` with libpng; false with the reason if it is not a readable PNG file.
bool readPngFile(const std::string& path, DecodedPng& png, std::string& error);

}  // namespace korvane::test
